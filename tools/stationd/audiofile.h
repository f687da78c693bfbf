#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// A station's audio, cut down to what loops cleanly:
// - an MPEG audio (MPEG 1, 2 and 2.5, layers I-III) or ADTS AAC file: its run of whole frames;
//   leading tags, trailing tags and a partial last frame are dropped;
// - an Ogg file (it starts with "OggS"): its run of whole pages, each checked by its checksum; a
//   partial last page is dropped. Chained Ogg (one logical stream per song, each beginning with
//   its own header pages) is looped as it is, as an Icecast source sends it.
// The bit rate used for pacing is measured from the content itself: bytes divided by the playing
// time the frame headers add up to, or for Ogg the sum over the chains of each chain's last
// granule position over its sample rate (less the pre-skip for Opus). That is exact for constant
// and variable bit rates alike. Immutable once loaded: any thread.
class AudioFile {
public:
    // Where a listener joining a live station starts: the header pages of the chain playing (none
    // for MPEG and ADTS), then the bytes from `position` on.
    struct Join {
        QByteArray headers;
        qint64 position = 0;
    };

    // One MPEG audio or ADTS frame: where it lies in bytes() and when it plays, in seconds from
    // the file's first frame.
    struct FrameInfo {
        qint64 offset;
        qint64 length;
        double start;
        double seconds;
    };

    // Reads and walks the file; on failure returns null and describes the problem.
    static std::shared_ptr<const AudioFile> load(const QString& path, QString* error);

    // The frames or pages, first to last, without anything in between.
    const QByteArray& bytes() const { return bytes_; }
    // The frames of an MPEG audio or ADTS file, first to last; empty for Ogg.
    const std::vector<FrameInfo>& frames() const { return frames_; }
    // Bytes per second of playing time.
    double bytesPerSecond() const { return bytesPerSecond_; }
    // "audio/mpeg", "audio/aac" or "application/ogg".
    const QByteArray& contentType() const { return contentType_; }
    // The start of a listener who joins when the station, looping since its clock started, has
    // played `seconds`: the frame or page where that clock stands, or for Ogg the first page from
    // there on that does not begin with a continued packet, after its chain's header pages (sent
    // once: a page among them starts the listener at the chain's beginning).
    Join join(double seconds) const;

private:
    // One frame or page.
    struct Unit {
        qint64 offset;
        bool continued;  // begins with the rest of a packet from the page before
        int chain;       // index in chains_; -1 for an MPEG or ADTS frame
    };
    // One song of a chained Ogg file: its beginning-of-stream page and the end of its header
    // pages.
    struct Chain {
        qint64 start;
        qint64 headersEnd;
    };

    // Fill the audio from the file's data; false with the problem described when there is none.
    bool walkFrames(const QByteArray& data, const QString& path, QString* error);
    bool walkOgg(const QByteArray& data, const QString& path, QString* error);

    QByteArray bytes_;
    double bytesPerSecond_ = 0;
    QByteArray contentType_;
    std::vector<Unit> units_;  // in file order
    std::vector<FrameInfo> frames_;
    std::vector<Chain> chains_;
};
