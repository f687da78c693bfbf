#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>

// How one station answers. <root>/stations.ini has one section per mount path ("[/stream/mp3]");
// every key below may also be given as a query parameter of the same name, which overrides the
// file for that one request ("/stream/mp3?drop_after=2&titles=A|B"). Values are bytes, sent as
// written (a query's %XX escapes give any byte, e.g. Windows-1250 titles); "@HOST@" in them is
// sent as "127.0.0.1:<port>".
//
//   file=PATH             audio file below the root (MP3/MP2, ADTS AAC or Ogg), looped; required
//                         but for a redirect or an HLS master
//   status_line=TEXT      the answer's first line; default "ICY 200 OK" ("HTTP/1.0 200 OK" for
//                         an HTTP answer)
//   content_type=TYPE     default "audio/mpeg", "audio/aac" or "application/ogg", from the file
//   icy-name=, icy-description=, icy-genre=, icy-url=, icy-br=, icy-pub=
//                         the header of that name; absent or empty: the header is not sent
//   metaint=BYTES         audio bytes between ICY metadata blocks, sent only when the request
//                         had "Icy-MetaData: 1"; default 16000; 0 = no metadata
//   titles=A|B|C          the title schedule, "|" between titles; empty: every block is empty
//   title_interval=SEC    seconds each title lasts, counted from the connection; default 30.
//                         Each title goes out once, in the first block after it starts; every
//                         other block is empty (length byte 0). The schedule wraps around.
//   title_bytes=BYTES     audio bytes each title lasts instead (a multiple of metaint changes
//                         the title exactly there); default 0 = by title_interval
//   stream_url=TEXT       the StreamUrl part of each block; default empty
//   burst=BYTES           audio sent at once before real-time pacing; default 65536
//   redirect=URL          answer "302 Found" with this Location ("@HOST@" replaced)
//   join_live=1           the station runs on one clock from its first such connection on, and
//                         each listener joins where it stands: at that frame, or for Ogg at the
//                         next page that begins a packet, after its chain's header pages
// Faults:
//   redirect_loop=1       answer "302 Found" pointing at the request's own target, forever
//   drop_after=SEC        close the connection after SEC seconds
//   refuse_after_drop=N   once drop_after has closed the connection, the server closes the
//                         next N connections at once, without an answer (a station whose
//                         server is restarting)
//   stall_at=SEC, stall_for=SEC
//                         send nothing from SEC seconds on for SEC seconds, then carry on at the
//                         bit rate without catching up
//   trickle=PERCENT       pace at PERCENT of the bit rate (the burst is unchanged)
//   garbage_after=BYTES, garbage_len=BYTES
//                         after BYTES audio bytes insert garbage_len (default 4096) random bytes
//                         into the audio; they count as audio for the metadata interval
//   meta_overrun=1        every non-empty metadata block's length byte says 255 (4080 bytes)
//                         while only the text's own 16-byte blocks follow
//   no_metadata=1         ignore "Icy-MetaData: 1": no icy-metaint header, no blocks
//   header_padding=BYTES  at least BYTES of filler header lines (e.g. 1048576 for 1 MiB)
//
// HLS (a section "[/hls/NAME]" is served as "/hls/NAME/live.m3u8" and "/hls/NAME/<SEQ>.<ext>"):
//   hls=packed|ts|master  live HLS of the looped file: packed audio segments (.aac or .mp3, each
//                         behind an ID3 tag with its timestamp and title), MPEG-TS segments
//                         (.ts, with a timed ID3 stream), or a master playlist of `variants`
//   segment_seconds=SEC   the length segments are cut to, in whole frames; default 1 (0.2-60)
//   window=N              segments in the playlist; default 6
//   discontinuity=0       run the loop on as one timeline instead of cutting each pass apart
//                         and marking its first segment with EXT-X-DISCONTINUITY; default 1
//   variants=PATH|PATH    a master's variant sections, in the order listed
//   bandwidth=BITS, average_bandwidth=BITS, codecs=TEXT
//                         a variant's EXT-X-STREAM-INF attributes (bandwidth is required)
//   hls_map=1, hls_key=1  the media playlist names an fMP4 init section or an AES-128 key
// HLS faults:
//   missing_every=N       segments whose sequence number is a multiple of N (N >= 2, not 0)
//                         are listed but answer 404; default 0 = none
//   stale_after=SEC       from SEC seconds on the station's live clock the playlist no longer
//                         advances
//   gone_after=SEC        from SEC seconds on the live clock playlist and segments answer 404
//
// A plain value type: any thread.
struct StationConfig {
    enum class SetResult { Done, UnknownKey, BadValue };
    enum class Hls { None, Packed, Ts, Master };

    // Applies one key; an unknown key or a value out of range changes nothing.
    SetResult set(const QByteArray& key, const QByteArray& value);
    // Replaces "@HOST@" in every text that is sent to the client.
    void replaceHost(const QByteArray& host);

    QByteArray file;
    QByteArray statusLine = "ICY 200 OK";
    QByteArray contentType;
    QMap<QByteArray, QByteArray> icyHeaders;  // header name -> value, non-empty values only
    qint64 metaint = 16000;
    QList<QByteArray> titles;
    double titleInterval = 30;
    qint64 titleBytes = 0;
    QByteArray streamUrl;
    qint64 burst = 65536;
    QByteArray redirect;
    bool joinLive = false;
    bool redirectLoop = false;
    double dropAfter = -1;  // negative: never
    int refuseAfterDrop = 0;
    double stallAt = -1;  // negative: never
    double stallFor = 0;
    int tricklePercent = 100;
    qint64 garbageAfter = -1;  // negative: never
    qint64 garbageLength = 4096;
    bool metaOverrun = false;
    bool noMetadata = false;
    qint64 headerPadding = 0;
    Hls hls = Hls::None;
    double segmentSeconds = 1;
    int window = 6;
    bool discontinuity = true;
    QList<QByteArray> variants;
    qint64 bandwidth = 0;         // 0: not given
    qint64 averageBandwidth = 0;  // 0: not given
    QByteArray codecs;
    bool hlsMap = false;
    bool hlsKey = false;
    qint64 missingEvery = 0;  // 0: none
    double staleAfter = -1;   // negative: never
    double goneAfter = -1;    // negative: never

private:
    SetResult setHls(const QByteArray& key, const QByteArray& value);
};
