#include "streamrecorder.h"

#include "audiovalues.h"
#include "callbacktrap.h"
#include "playerstate.h"
#include "recordingname.h"
#include "recordingstate.h"
#include "streamformat.h"

#include "platform/errorchain.h"
#include "platform/writefolders.h"

#include <memory>

namespace zvengine {
namespace {

// Whether the current title's file is open for this block: recording on, a title known and its
// file opened (a new file follows the title's kept bytes from their start).
bool fileReady(RecordingState& state) {
    clsFileIo& writer = *state.fileWriter;
    if (!state.recordingEnabled) {
        state.recordOpened = false;
        state.titleKeep.unfollow();
        writer.CloseFile();
        return false;
    }
    if (state.recordFile.trimmed().isEmpty()) {
        return false;
    }
    if (!state.recordOpened) {
        state.recordOpened = true;
        state.titleKeep.unfollow();
        writer.CloseFile();
        // Every new file starts at a frame start of its own, also when recording was switched
        // off and on again within one title: then it replaces the first one, from the same start.
        state.recordSynced = false;
        state.recordOpenFailed =
            !(isRecordingPath(state.recordFile) &&
              zvpaths::makeFolder(zvpaths::recordingFolder()) && writer.OpenFile(state.recordFile));
        if (!state.recordOpenFailed) {
            state.titleKeep.follow(writer, state.recordSynced);
        }
    }
    if (state.recordOpenFailed) {
        // Cleared so that the next block tries to open the file again.
        state.recordOpened = false;
        writer.CloseFile();
        state.recordSynced = false;
        return false;
    }
    return true;
}

// The file work of one call, with the recording state's mutex held.
void record(RecordingState& state, const void* buffer, std::uint32_t length) {
    const bool recording = fileReady(state);
    if (buffer == nullptr) {
        state.fileWriter->CloseFile();
        state.recordSynced = false;
        state.titleKeep.drop();
        return;
    }
    // The stream's type is known once its worker has read the headers; the blocks buffered
    // before that are kept from the first frame of either format.
    const std::optional<FrameStart> start = frameStartOf(state.streamType);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (start.value_or(FrameStart::OggPage) == FrameStart::OggPage) {
        state.oggHeaders.see(bytes, length);
    }
    const std::string_view headers = state.oggHeaders.pages();
    // A file that follows the keep gets the block through it; without a keep (its file failed)
    // the recording writes the block itself.
    if (recording && !state.titleKeep.following()) {
        state.fileWriter->WriteBytes(bytes, length, state.recordSynced,
                                     start.value_or(FrameStart::Mp3), headers);
    }
    state.titleKeep.keep(bytes, length, start, headers);
}

}  // namespace

void createFileWriter() {
    RecordingState& state = recordingState();
    std::lock_guard lock(state.mutex);
    if (!state.fileWriter) {
        state.fileWriter = std::make_unique<clsFileIo>();
    }
}

void endRecording() {
    RecordingState& state = recordingState();
    std::lock_guard lock(state.mutex);
    if (state.fileWriter) {
        state.fileWriter->CloseFile();
    }
    state.titleKeep.drop();
    state.oggHeaders.clear();
    state.streamType = 0;
    state.recordFile.clear();
    state.recordOpened = state.recordSynced = state.recordOpenFailed = false;
}

void SUBDOWNLOADPROC(const void* buffer, std::uint32_t length, void* user) {
    trapCallback("modNetRadio.SUBDOWNLOADPROC", [&] {
        zverr::Procedure proc("modNetRadio", "SUBDOWNLOADPROC");
        try {
            proc.step(1);
            const auto generation =
                static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(user));
            if (!playerState().current(generation)) {
                return;
            }
            if (buffer != nullptr && length == 0) {
                playerState().showLabel(generation, ReceiverView::Label::Bps,
                                        AnsiPtrToString(static_cast<const char*>(buffer)));
                return;
            }
            proc.step(2);
            RecordingState& state = recordingState();
            std::lock_guard lock(state.mutex);
            // Asked again under the lock: a stop that ends the recording meanwhile comes after
            // this block, never between its check and its write.
            if (state.fileWriter && playerState().current(generation)) {
                record(state, buffer, length);
            }
        } catch (...) {
            proc.passOn();
        }
    });
}

}  // namespace zvengine
