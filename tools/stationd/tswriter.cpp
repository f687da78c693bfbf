#include "tswriter.h"

namespace {

constexpr int kPacket = 188;
constexpr int kPmtPid = 0x1000;

// The CRC of a PSI section: MPEG-2's CRC-32, not reflected, no final inversion.
quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : data) {
        crc ^= static_cast<quint32>(static_cast<uchar>(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000) != 0 ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
        }
    }
    return crc;
}

QByteArray raw(std::initializer_list<int> values) {
    QByteArray out;
    for (const int value : values) {
        out += static_cast<char>(value & 0xFF);
    }
    return out;
}

// A PSI section with table id, its 16-bit id field and `body`, length and CRC filled in.
QByteArray section(int tableId, int idField, const QByteArray& body) {
    const qsizetype length = 5 + body.size() + 4;
    QByteArray out = raw({tableId, 0xB0 | static_cast<int>(length >> 8), static_cast<int>(length),
                          idField >> 8, idField, 0xC1, 0, 0}) +
                     body;
    const quint32 crc = crc32(out);
    return out + raw({static_cast<int>(crc >> 24), static_cast<int>(crc >> 16),
                      static_cast<int>(crc >> 8), static_cast<int>(crc)});
}

// A 33-bit timestamp in the five bytes of a PES header's PTS field.
QByteArray ptsField(qint64 pts) {
    return raw({0x21 | static_cast<int>((pts >> 29) & 0x0E), static_cast<int>(pts >> 22),
                static_cast<int>((pts >> 14) | 1), static_cast<int>(pts >> 7),
                static_cast<int>((pts << 1) | 1)});
}

// A program clock reference of `base` 90 kHz ticks (extension 0).
QByteArray pcrField(qint64 base) {
    return raw({static_cast<int>(base >> 25), static_cast<int>(base >> 17),
                static_cast<int>(base >> 9), static_cast<int>(base >> 1),
                static_cast<int>(((base & 1) << 7) | 0x7E), 0});
}

}  // namespace

void TsWriter::writeTables(qint64 sequence) {
    const auto continuity = static_cast<int>(sequence & 0xF);
    writeSection(0, continuity, section(0x00, 1, raw({0, 1, 0xE0 | kPmtPid >> 8, kPmtPid})));
    // The ID3 stream's metadata descriptor: format "ID3 " for application and content.
    const QByteArray descriptor =
        raw({0x26, 13, 0xFF, 0xFF}) + "ID3 " + raw({0xFF}) + "ID3 " + raw({0, 0x0F});
    const QByteArray body =
        raw({0xE0 | audio_.pid >> 8, audio_.pid, 0xF0, 0}) +
        raw({audioStreamType_, 0xE0 | audio_.pid >> 8, audio_.pid, 0xF0, 0}) +
        raw({0x15, 0xE0 | id3_.pid >> 8, id3_.pid, 0xF0, static_cast<int>(descriptor.size())}) +
        descriptor;
    writeSection(kPmtPid, continuity, section(0x02, 1, body));
}

void TsWriter::writeAudio(const QByteArray& frames, qint64 pts) {
    writePes(audio_, 0xC0, frames, pts, true);
}

void TsWriter::writeId3(const QByteArray& tag, qint64 pts) {
    writePes(id3_, 0xBD, tag, pts, false);
}

void TsWriter::writeSection(int pid, int continuity, const QByteArray& section) {
    writePacket(pid, true, continuity, {}, '\0' + section, 0);
}

void TsWriter::writePes(Pid& pid, int streamId, const QByteArray& payload, qint64 pts, bool pcr) {
    // Flags: data aligned, a PTS and nothing else.
    const qsizetype length = 3 + 5 + payload.size();
    const QByteArray pes = raw({0, 0, 1, streamId, static_cast<int>(length >> 8),
                                static_cast<int>(length), 0x84, 0x80, 5}) +
                           ptsField(pts) + payload;
    for (qsizetype at = 0; at < pes.size();) {
        QByteArray fields;
        if (at == 0 && (pcr || !pid.started)) {
            // Discontinuity (the counter starts over), random access, PCR.
            fields = raw({(pid.started ? 0 : 0x80) | (pcr ? 0x50 : 0)}) +
                     (pcr ? pcrField(pts) : QByteArray());
        }
        at += writePacket(pid.pid, at == 0, pid.continuity, fields, pes, at);
        pid.continuity = (pid.continuity + 1) & 0xF;
        pid.started = true;
    }
}

qsizetype TsWriter::writePacket(int pid, bool unitStart, int continuity, const QByteArray& fields,
                                const QByteArray& data, qsizetype from) {
    const qsizetype room = kPacket - 4 - (fields.isEmpty() ? 0 : 1 + fields.size());
    const qsizetype used = std::min(room, data.size() - from);
    // The adaptation field fills what the payload leaves of the packet.
    const qsizetype adaptation = kPacket - 4 - used;
    out_ += raw({0x47, (unitStart ? 0x40 : 0) | pid >> 8, pid,
                 (adaptation > 0 ? 0x30 : 0x10) | continuity});
    if (adaptation > 0) {
        QByteArray field = fields;
        if (adaptation > 1 && field.isEmpty()) {
            field = raw({0});
        }
        field += QByteArray(adaptation - 1 - field.size(), '\xFF');
        out_ += static_cast<char>(adaptation - 1) + field;
    }
    out_ += data.mid(from, used);
    return used;
}
