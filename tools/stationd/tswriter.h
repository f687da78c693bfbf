#pragma once

#include <QByteArray>

// One MPEG-TS segment of a live HLS station, built packet by packet: the program tables, then
// PES packets of audio frames (PID 0x101, with the PCR) and of ID3 tags (PID 0x102, timed ID3
// metadata). Each segment can be fetched alone and in any order, so the audio and ID3 PIDs
// count their continuity from 0 in each, announced by the discontinuity indicator of their
// first packet; the tables, one packet each per segment, count by the segment's number. A value
// type: any thread.
class TsWriter {
public:
    // The PMT's stream type of the audio: 0x0F ADTS AAC, 0x03 MPEG-1 audio, 0x04 MPEG-2 audio.
    explicit TsWriter(int audioStreamType) : audioStreamType_(audioStreamType) {}

    // The PAT and the PMT of segment `sequence`.
    void writeTables(qint64 sequence);
    // One PES of whole audio frames at `pts` (90 kHz ticks), with the PCR in its first packet.
    void writeAudio(const QByteArray& frames, qint64 pts);
    // One PES holding an ID3 tag for `pts`.
    void writeId3(const QByteArray& tag, qint64 pts);

    const QByteArray& bytes() const { return out_; }

private:
    struct Pid {
        int pid;
        int continuity = 0;
        bool started = false;
    };

    void writeSection(int pid, int continuity, const QByteArray& section);
    void writePes(Pid& pid, int streamId, const QByteArray& payload, qint64 pts, bool pcr);
    // Writes one packet carrying as much of `data` as fits after the adaptation field `fields`
    // (its flags and fields; empty for none, stuffing is added as needed); returns the bytes
    // used.
    qsizetype writePacket(int pid, bool unitStart, int continuity, const QByteArray& fields,
                          const QByteArray& data, qsizetype from);

    const int audioStreamType_;
    Pid audio_{0x101};
    Pid id3_{0x102};
    QByteArray out_;
};
