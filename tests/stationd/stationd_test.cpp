// stationd through real loopback sockets: its file answers, the root as a boundary, the faults
// it injects into a station's answer on request, and how Ogg stations are paced and joined. Its
// other pacing, metadata framing, "@HOST@" and lengths are asserted by the clients' tests that
// meet them.

#include "stationd.h"
#include "scratchdir.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using Bytes = const unsigned char*;

// A plain loopback TCP client: sends a request as given and collects what comes back, every
// wait bounded by a deadline. One thread.
class RawClient {
public:
    explicit RawClient(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
        }
    }
    ~RawClient() { close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    // A request fits the socket's empty send buffer: one call sends it whole.
    void send(const std::string& data) {
        if (::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) != ssize_t(data.size())) {
            throw std::runtime_error("send failed");
        }
    }
    // Reads until `count` bytes in all are in, the server closes or `timeout` passes.
    void read(std::chrono::milliseconds timeout, size_t count = SIZE_MAX) {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (!closed_ && data_.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[65536];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            closed_ = n <= 0;
            data_.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        }
    }

    const std::string& data() const { return data_; }
    bool closed() const { return closed_; }

private:
    int fd_;
    std::string data_;
    bool closed_ = false;
};

// A raw answer: the head (up to and including the blank line; "" until that has come) split
// from the body.
struct Response {
    std::string head;
    std::string body;

    explicit Response(const std::string& data) {
        const size_t end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
            head = data.substr(0, end + 4);
            body = data.substr(end + 4);
        }
    }
    std::string statusLine() const { return head.substr(0, head.find("\r\n")); }
    // The value of the header `name` (lower case), or "" when it is absent.
    std::string header(const std::string& name) const {
        std::string lower = head;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        const size_t at = lower.find("\r\n" + name + ":");
        if (at == std::string::npos) {
            return "";
        }
        const size_t from = head.find_first_not_of(' ', at + name.size() + 3);
        return head.substr(from, head.find("\r\n", from) - from);
    }
};
using Headers = std::vector<std::pair<std::string, std::string>>;  // name (lower case), value

const std::string kData = ZV_TEST_DATA_DIR;

// Sends a GET of the target, or a request line as given, and reads until the server closes.
Response get(int port, const std::string& request) {
    RawClient client(port);
    client.send((request[0] == '/' ? "GET " + request + " HTTP/1.0" : request) + "\r\n\r\n");
    client.read(10s);
    EXPECT_TRUE(client.closed()) << request;
    return Response(client.data());
}

// The body with any chunked coding undone, and whether it came to its announced end: the final
// chunk, or as many bytes as Content-Length says (any number without one).
std::pair<std::string, bool> decoded(const Response& got) {
    if (got.header("transfer-encoding") != "chunked") {
        const std::string length = got.header("content-length");
        return {got.body, length.empty() || length == std::to_string(got.body.size())};
    }
    std::string body;
    for (size_t at = 0, line; (line = got.body.find("\r\n", at)) != std::string::npos;) {
        const size_t size = std::stoul(got.body.substr(at, line - at), nullptr, 16);
        if (size == 0) {
            return {body, true};
        }
        body += got.body.substr(line + 2, size);
        at = line + 2 + size + 2;
    }
    return {body, false};
}

void expectHeaders(const Response& got, const Headers& headers, const std::string& request) {
    for (const auto& [name, value] : headers) {
        EXPECT_EQ(got.header(name), value) << request << " " << name;
    }
}

// The length of the whole Ogg page at `at` of `bytes`; 0 when none is there.
size_t oggPageLength(const std::string& bytes, size_t at) {
    if (at + 27 > bytes.size() || bytes.compare(at, 4, "OggS") != 0) {
        return 0;
    }
    const size_t segments = static_cast<unsigned char>(bytes[at + 26]);
    size_t length = 27 + segments;
    for (size_t i = 0; i < segments && at + 27 + i < bytes.size(); ++i) {
        length += static_cast<unsigned char>(bytes[at + 27 + i]);
    }
    return at + length <= bytes.size() ? length : 0;
}

// The granule position of the Ogg page at `at`.
int64_t oggGranule(const std::string& bytes, size_t at) {
    uint64_t granule = 0;
    for (size_t i = 8; i-- > 0;) {
        granule = granule << 8 | static_cast<unsigned char>(bytes.at(at + 6 + i));
    }
    return static_cast<int64_t>(granule);
}

// The playing time of the run of whole ADTS frames that fills `data` from `at` to its end;
// negative when anything else is there.
double adtsSeconds(const std::string& data, size_t at) {
    static const int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                 22050, 16000, 12000, 11025, 8000,  7350};
    double seconds = 0;
    while (at + 7 <= data.size()) {
        const auto* p = reinterpret_cast<Bytes>(data.data() + at);
        const size_t length = (p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5;
        if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0 || length < 7 || ((p[2] >> 2) & 0xF) > 12) {
            return -1;
        }
        seconds += 1024.0 * ((p[6] & 3) + 1) / kRates[(p[2] >> 2) & 0xF];
        at += length;
    }
    return at == data.size() ? seconds : -1;
}

// The end of the ID3v2 tag at the start of `data`.
size_t id3End(const std::string& data) {
    size_t size = 0;
    for (size_t i = 6; i < 10 && i < data.size(); ++i) {
        size = size << 7 | (static_cast<unsigned char>(data[i]) & 0x7F);
    }
    return 10 + size;
}

// The units (sections or PES packets) of an MPEG-TS stream, in order, each with its PID.
std::vector<std::pair<int, std::string>> tsUnits(const std::string& ts) {
    std::vector<std::pair<int, std::string>> units;
    for (size_t at = 0; at + 188 <= ts.size(); at += 188) {
        const auto* p = reinterpret_cast<Bytes>(ts.data() + at);
        const int pid = (p[1] & 0x1F) << 8 | p[2];
        const size_t from = 4 + ((p[3] & 0x20) != 0 ? 1 + p[4] : 0);
        if ((p[1] & 0x40) != 0) {
            units.emplace_back(pid, "");
        }
        auto unit = std::find_if(units.rbegin(), units.rend(),
                                 [pid](const auto& u) { return u.first == pid; });
        if (unit != units.rend() && (p[3] & 0x10) != 0 && from < 188) {
            unit->second += ts.substr(at + from, 188 - from);
        }
    }
    return units;
}

TEST(StationdFiles, AnswersAsAsked) {
    const zvtest::Stationd server(kData);
    const std::string mp3 = zvtest::readFile(kData + "/audio/tone44.mp3");
    ASSERT_FALSE(mp3.empty());
    const Headers file{{"content-type", "audio/mpeg"},
                       {"content-length", std::to_string(mp3.size())}};
    const struct {
        std::string request;  // a target to GET, or a whole request line
        std::string status;
        Headers headers = {};                            // "" for a header that must be absent
        std::optional<std::string> body = std::nullopt;  // not checked when absent
        bool whole = true;                               // see decoded()
    } rows[] = {
        {"/audio/tone44.mp3", "HTTP/1.0 200 OK", file, mp3},
        {"HEAD /audio/tone44.mp3 HTTP/1.0", "HTTP/1.0 200 OK", file, "", false},  // the head alone
        {"/audio/tone44.mp3?close_after=1000", "HTTP/1.0 200 OK", file, mp3.substr(0, 1000), false},
        {"/audio/tone44.mp3?no_length=1", "HTTP/1.0 200 OK", {{"content-length", ""}}, mp3},
        {"/audio/tone44.mp3?chunked=1",
         "HTTP/1.1 200 OK",
         {{"transfer-encoding", "chunked"}, {"content-length", ""}},
         mp3},
        {"/audio/tone44.mp3?chunked=1&close_after=1000",
         "HTTP/1.1 200 OK",
         {{"transfer-encoding", "chunked"}},
         mp3.substr(0, 1000),
         false},
        {"/audio/nincs.mp3", "HTTP/1.0 404 Not Found"},
        {"/audio", "HTTP/1.0 404 Not Found"},
        {"POST /audio/tone44.mp3 HTTP/1.0", "HTTP/1.0 405 Method Not Allowed"},
        {"nonsense", "HTTP/1.0 400 Bad Request"},
        {"/stations.ini?status=503", "HTTP/1.0 503 Service Unavailable"},
        {"/stations.ini?status=abc", "HTTP/1.0 400 Bad Request"},
        {"/../CMakeLists.txt", "HTTP/1.0 403 Forbidden"},
        {"/x/../../CMakeLists.txt", "HTTP/1.0 403 Forbidden"},
        {"/%2e%2e/CMakeLists.txt", "HTTP/1.0 403 Forbidden"},
        {"/..%2f..%2fetc/passwd", "HTTP/1.0 403 Forbidden"},
    };
    for (const auto& row : rows) {
        const Response got = get(server.port(), row.request);
        EXPECT_EQ(got.statusLine(), row.status) << row.request;
        expectHeaders(got, row.headers, row.request);
        if (row.body) {
            const auto [body, whole] = decoded(got);
            EXPECT_TRUE(body == *row.body) << row.request;
            EXPECT_EQ(whole, row.whole) << row.request;
        }
    }
}

TEST(StationdFiles, SymbolicLinkLeavingTheRootIsRefused) {
    const zvtest::ScratchDir root;
    std::filesystem::create_symlink(kData + "/stations.ini", root.path() / "outside.ini");
    const zvtest::Stationd server(root.path().string());
    EXPECT_EQ(get(server.port(), "/outside.ini").statusLine(), "HTTP/1.0 403 Forbidden");
}

// Garbage shifts the audio after it; an overrun length byte is followed by the title's own
// 16-byte units and then the audio; a title by bytes changes at its block; redirects and drops
// close the connection.
TEST(StationdStream, FaultsInTheAnswer) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const std::string mp3 = zvtest::readFile(kData + "/audio/tone44.mp3");
    const std::string ogg = zvtest::readFile(kData + "/audio/chain-vorbis.ogg");
    const std::string title = "StreamTitle='Első Előadó - Első dal';StreamUrl='';";
    const size_t padded = (title.size() + 15) / 16 * 16;
    const std::string host = server.url("");
    const struct {
        std::string target;
        bool metadata;  // asked for
        Headers headers;
        size_t at;  // where in the body `bytes` come
        std::string bytes;
        bool closes = false;
    } rows[] = {
        {"/mp3?garbage_after=1000&garbage_len=500", false, {}, 0, mp3.substr(0, 1000)},
        {"/mp3?garbage_after=1000&garbage_len=500", false, {}, 1500, mp3.substr(1000, 8000)},
        {"/ogg/vorbis?garbage_after=1000", false, {}, 5096, ogg.substr(1000, 9000)},
        {"/mp3?meta_overrun=1", true, {{"icy-metaint", "8192"}}, 8192, "\xFF" + title},
        {"/mp3?meta_overrun=1", true, {}, 8193 + padded, mp3.substr(8192, 100)},
        {"/mp3?no_metadata=1", true, {{"icy-metaint", ""}}, 0, mp3.substr(0, 9000)},
        {"/mp3?title_bytes=16384&titles=A%7CB", true, {}, 16417, "\x02StreamTitle='B';"},
        {"/redirect/mp3", false, {{"location", host + "/mp3"}}, 0, "", true},
        {"/redirect/loop?n=1", false, {{"location", host + "/redirect/loop?n=1"}}, 0, "", true},
        {"/mp3?drop_after=0.3", false, {{"location", ""}}, 65536, "", true},
    };
    for (const auto& row : rows) {
        RawClient client(server.port());
        client.send("GET " + row.target + " HTTP/1.0\r\n" +
                    (row.metadata ? "Icy-MetaData: 1\r\n" : "") + "\r\n");
        client.read(10s, row.closes ? SIZE_MAX : 20000);
        EXPECT_EQ(client.closed(), row.closes) << row.target;
        const Response got(client.data());
        expectHeaders(got, row.headers, row.target);
        EXPECT_TRUE(got.body.size() >= row.at + row.bytes.size() &&
                    got.body.compare(row.at, row.bytes.size(), row.bytes) == 0)
            << row.target << " " << row.at;
    }
}

// An Ogg station sends the file's pages from its first, beginning-of-stream page on with the Ogg
// content type, paced at the file's bytes over its playing time (3 s a chain): half a second's
// worth takes half a second, not less, nor much more.
TEST(StationdStream, OggStationIsPacedAtItsFilesRate) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        std::string target;
        std::string file;
        double seconds;
        std::string type;
    } rows[] = {
        {"/ogg/vorbis", "chain-vorbis.ogg", 9, "application/ogg"},
        {"/ogg/opus", "chain-opus.opus", 9, "audio/ogg"},
        {"/ogg/flac", "chain-flac.oga", 9, "application/ogg"},
        {"/ogg/mixed", "chain-mixed.ogg", 6, "application/ogg"},
    };
    for (const auto& row : rows) {
        const std::string ogg = zvtest::readFile(kData + "/audio/" + row.file);
        const auto halfSecond =
            static_cast<size_t>(static_cast<double>(ogg.size()) / row.seconds / 2);
        const Clock::time_point start = Clock::now();
        RawClient client(server.port());
        client.send("GET " + row.target + "?burst=0 HTTP/1.0\r\n\r\n");
        client.read(10s, 1000);
        client.read(10s, client.data().find("\r\n\r\n") + 4 + halfSecond);
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        const Response got(client.data());
        EXPECT_EQ(got.header("content-type"), row.type) << row.target;
        ASSERT_GE(got.body.size(), halfSecond) << row.target;
        EXPECT_TRUE(oggPageLength(got.body, 0) > 0 && (got.body[5] & 0x02) != 0) << row.target;
        EXPECT_EQ(got.body.compare(0, halfSecond, ogg, 0, halfSecond), 0) << row.target;
        EXPECT_GT(took, 0.45) << row.target;
        EXPECT_LT(took, 3.0) << row.target;
    }
}

// A join_live station runs on one clock from its first listener on: a listener who comes in its
// second song starts with that song's header pages (from its beginning-of-stream page, granule
// position 0 as Vorbis header pages have) and goes on with a later page of that song.
TEST(StationdStream, JoinLiveStartsWithTheCurrentChainsHeaders) {
    const zvtest::Stationd server(kData);
    const std::string ogg = zvtest::readFile(kData + "/audio/chain-vorbis.ogg");
    EXPECT_EQ(get(server.port(), "/ogg/live?drop_after=4").statusLine(), "ICY 200 OK");
    RawClient client(server.port());
    client.send("GET /ogg/live HTTP/1.0\r\n\r\n");
    client.read(10s, 20000);
    const std::string body = Response(client.data()).body;
    size_t headers = 0;
    for (size_t length;
         (length = oggPageLength(body, headers)) > 0 && oggGranule(body, headers) == 0;) {
        headers += length;
    }
    ASSERT_TRUE(headers > 0 && (body[5] & 0x02) != 0);
    const size_t chain = ogg.find(body.substr(0, headers));
    ASSERT_TRUE(chain != std::string::npos && chain > 0) << chain;
    EXPECT_NE(oggGranule(ogg, chain + headers), 0);  // no header page left out
    const size_t page = oggPageLength(body, headers);
    const size_t live = ogg.find(body.substr(headers, page));
    EXPECT_TRUE(page > 0 && live != std::string::npos && live >= chain + headers) << live;
}

// A live HLS playlist lists a full window from the start (stale_after=0 holds it there), its
// segment URIs relative and carrying the query; a pass of the loop begins with a discontinuity
// unless the loop runs on; a master lists its variants relative to itself.
TEST(StationdHls, PlaylistsListTheirWindow) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        std::string target;
        std::vector<std::string> present;
        std::vector<std::string> absent = {};
    } rows[] = {
        {"/hls/packed/live.m3u8?stale_after=0",
         {"#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:0\n",
          "#EXTINF:0.998,\n0.aac?stale_after=0\n", "#EXT-X-DISCONTINUITY\n#EXTINF:0.998,\n4.aac",
          "5.aac?stale_after=0\n"},
         {"6.aac"}},
        {"/hls/ts/live.m3u8?stale_after=0&window=3&x=%41",
         {"#EXT-X-MEDIA-SEQUENCE:0\n", "2.ts?stale_after=0&window=3&x=%41\n"},
         {"3.ts", "DISCONTINUITY"}},
        {"/hls/mp3/live.m3u8?stale_after=0&window=8&discontinuity=0", {"7.mp3"}, {"DISCONT"}},
        {"/hls/master/live.m3u8?stale_after=0",
         {"#EXT-X-STREAM-INF:BANDWIDTH=56000\n../low/live.m3u8?stale_after=0\n",
          "BANDWIDTH=88000,AVERAGE-BANDWIDTH=84000,CODECS=\"mp4a.40.2\"\n../high/live.m3u8?"}},
        {"/hls/fmp4/live.m3u8", {"#EXT-X-MAP:URI=\"init.mp4\"\n"}},
        {"/hls/packed/live.m3u8?hls_key=1", {"#EXT-X-KEY:METHOD=AES-128,URI=\"key.bin\"\n"}},
    };
    for (const auto& row : rows) {
        const Response got = get(server.port(), row.target);
        EXPECT_EQ(got.header("content-type"), "application/vnd.apple.mpegurl") << row.target;
        EXPECT_EQ(got.header("content-length"), std::to_string(got.body.size())) << row.target;
        for (const std::string& text : row.present) {
            EXPECT_NE(got.body.find(text), std::string::npos) << row.target << "\n" << text;
        }
        for (const std::string& text : row.absent) {
            EXPECT_EQ(got.body.find(text), std::string::npos) << row.target << "\n" << text;
        }
    }
}

// A packed segment is an ID3 tag (timestamp, artist, title) and whole ADTS frames as long as
// its EXTINF; the MPEG-TS segment of the same number carries the same frames in audio PES
// packets after its tables, and an ID3 PES before the PES of each frame that changes the title.
TEST(StationdHls, SegmentsHoldWholeFrames) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const std::string query = "?stale_after=0&title_interval=0.4";
    const std::string playlist = get(server.port(), "/hls/packed/live.m3u8" + query).body;
    const size_t extinf = playlist.find("#EXTINF:", playlist.find("0.aac")) + 8;
    const Response packed = get(server.port(), "/hls/packed/1.aac" + query);
    EXPECT_EQ(packed.header("content-type"), "audio/aac");
    const size_t audio = id3End(packed.body);
    EXPECT_EQ(packed.body.compare(0, 4, "ID3\x04"), 0);
    for (const std::string text : {"PRIV", "com.apple.streaming.transportStreamTimestamp", "TPE1",
                                   "\x03HLS Előadó", "TIT2"}) {
        EXPECT_NE(packed.body.substr(0, audio).find(text), std::string::npos) << text;
    }
    EXPECT_NEAR(adtsSeconds(packed.body, audio), std::stod(playlist.substr(extinf)), 0.0005);

    const Response ts = get(server.port(), "/hls/ts/1.ts" + query);
    EXPECT_EQ(ts.header("content-type"), "video/mp2t");
    ASSERT_TRUE(!ts.body.empty() && ts.body.size() % 188 == 0) << ts.body.size();
    for (size_t at = 0; at < ts.body.size(); at += 188) {
        ASSERT_EQ(ts.body[at], '\x47') << at;
    }
    const auto units = tsUnits(ts.body);
    ASSERT_GE(units.size(), 3u);
    EXPECT_EQ(units[0].first, 0);
    EXPECT_EQ(units[1].first, 0x1000);
    for (const std::string text : {"\x0F\xE1\x01", "\x15\xE1\x02", "ID3 "}) {
        EXPECT_NE(units[1].second.find(text), std::string::npos);
    }
    std::string frames;
    int titles = 0;
    for (size_t i = 2; i < units.size(); ++i) {
        const std::string& pes = units[i].second;
        ASSERT_GT(pes.size(), 14u);
        if (units[i].first == 0x101) {
            EXPECT_EQ(pes.compare(0, 4, "\0\0\1\xC0", 4), 0);
            frames += pes.substr(9 + static_cast<unsigned char>(pes[8]));
            continue;
        }
        ++titles;
        EXPECT_EQ(pes.compare(0, 4, "\0\0\1\xBD", 4), 0);
        EXPECT_NE(pes.find("\x03HLS Előadó"), std::string::npos);
        ASSERT_TRUE(i + 1 < units.size() && units[i + 1].first == 0x101);
        EXPECT_EQ(pes.substr(9, 5), units[i + 1].second.substr(9, 5));  // the same PTS
    }
    EXPECT_EQ(titles, 3);  // the segment's start (at 1.0 s) and its changes at 1.2 and 1.6 s
    EXPECT_TRUE(frames == packed.body.substr(audio));
}

// The faults and the segment window: a segment is there while listed, missing_every takes
// some away, gone_after all; the playlist advances with the live clock unless it is stale.
TEST(StationdHls, FaultsAnswerAsAsked) {
    const zvtest::Stationd& server = zvtest::sharedStationd();
    const struct {
        std::string target;
        std::string status;
    } rows[] = {
        {"/hls/packed/0.aac?stale_after=0&missing_every=5", "HTTP/1.0 200 OK"},
        {"/hls/packed/4.aac?stale_after=0&missing_every=5", "HTTP/1.0 200 OK"},
        {"/hls/packed/5.aac?stale_after=0&missing_every=5", "HTTP/1.0 404 Not Found"},
        {"/hls/packed/6.aac?stale_after=0", "HTTP/1.0 404 Not Found"},
        {"/hls/packed/0.ts?stale_after=0", "HTTP/1.0 404 Not Found"},
        {"/hls/packed", "HTTP/1.0 404 Not Found"},
        {"/hls/packed/live.m3u8?gone_after=1000", "HTTP/1.0 200 OK"},
        {"/hls/packed/live.m3u8?gone_after=0", "HTTP/1.0 404 Not Found"},
        {"/hls/packed/0.aac?stale_after=0&gone_after=0", "HTTP/1.0 404 Not Found"},
        {"/hls/packed/0.aac?stale_after=0&status=503", "HTTP/1.0 503 Service Unavailable"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(get(server.port(), row.target).statusLine(), row.status) << row.target;
    }
    const auto sequence = [&](const std::string& query) {
        const std::string body = get(server.port(), "/hls/ts/live.m3u8" + query).body;
        const size_t at = body.find("#EXT-X-MEDIA-SEQUENCE:");
        return at == std::string::npos ? -1 : std::stoi(body.substr(at + 22));
    };
    const Clock::time_point deadline = Clock::now() + 15s;
    while (sequence("") < 2 && Clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);  // polling the live clock
    }
    EXPECT_GE(sequence(""), 2);
    EXPECT_EQ(sequence("?stale_after=0"), 0);
}

}  // namespace
