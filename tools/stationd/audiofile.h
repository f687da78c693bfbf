#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// An MPEG audio (MPEG 1, 2 and 2.5, layers I-III) or ADTS AAC file cut down to its run of whole
// frames, so that looping it never splits a frame; leading tags, trailing tags and a partial
// last frame are dropped. The bit rate used for pacing is measured from the frames themselves:
// payload bytes divided by the playing time the frame headers add up to, which is exact for
// constant and variable bit rates alike. Immutable once loaded: any thread.
class AudioFile {
public:
    // Reads and walks the file; on failure returns null and describes the problem.
    static std::shared_ptr<const AudioFile> load(const QString& path, QString* error);

    // The frames, first to last, without anything in between.
    const QByteArray& frames() const { return frames_; }
    // Payload bytes per second of playing time.
    double bytesPerSecond() const { return bytesPerSecond_; }
    // "audio/mpeg" or "audio/aac".
    const QByteArray& contentType() const { return contentType_; }

private:
    QByteArray frames_;
    double bytesPerSecond_ = 0;
    QByteArray contentType_;
};
