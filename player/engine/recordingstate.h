// The title and recording state that the metadata handling writes and the download callback
// reads: the current title, the recording file for it and how far its recording has come.
//
// Thread contract: the fields under `mutex` are written by DoMeta (the stream worker or the
// audio library's download thread) and by the download callback (the library's download
// thread); whoever touches them holds `mutex`. recordingEnabled and streamType are atomic so
// the UI thread and the worker switch them without waiting for a write to the disk.
#pragma once

#include "clsfileio.h"
#include "oggchainheaders.h"
#include "titlekeep.h"
#include "zvaudio.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace zvengine {

struct RecordingState {
    std::mutex mutex;
    QString titleText;              // mutex: the title as lblTitle is given it ("&&" for "&")
    QString lastTitle;              // mutex: the previous titleText; survives a change of station
    QString recordFile;             // mutex: the recording file's path for the current title
    bool recordOpened = false;      // mutex: the file for this title was opened or tried
    bool recordSynced = false;      // mutex: writing has started at a frame start
    bool recordOpenFailed = false;  // mutex: the last open failed
    std::unique_ptr<clsFileIo> fileWriter;  // mutex: created at start-up, then lives on
    TitleKeep titleKeep;                    // mutex: the current title's bytes so far
    OggChainHeaders oggHeaders;             // mutex: an Ogg stream's current chain headers

    std::atomic<bool> recordingEnabled{false};  // the settings dialog's switch; off at start
    std::atomic<std::uint32_t> streamType{0};   // the playing stream's type; 0 = not known yet
};

RecordingState& recordingState();

// The settings dialog's recording switch; the next received block follows it.
void setRecordingEnabled(bool enabled);

// The playing stream's type (ZVA_ChannelInfo.ctype); the worker tells it before its first
// DoMeta, so the file name and the frame start fit the stream (AAC: ".aac" and ADTS); every
// start and stop of the sound forgets it.
void setStreamType(std::uint32_t ctype);

}  // namespace zvengine
