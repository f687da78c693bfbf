// stationd as a file server: plain answers, "@HOST@" in text files, the root as a boundary,
// and the server-wide and per-request misbehaviour, all through real loopback sockets.

#include "rawclient.h"
#include "response.h"
#include "stationd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kData = ZV_TEST_DATA_DIR;

// Sends one request and reads the answer until the server closes.
std::string roundTrip(int port, const std::string& request) {
    RawClient client(port);
    client.send(request);
    EXPECT_TRUE(client.readUntilClosed(10s)) << request;
    return client.data();
}

Response get(int port, const std::string& target, const std::string& method = "GET") {
    return Response::parse(roundTrip(port, method + " " + target + " HTTP/1.0\r\n\r\n"));
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

class TempRoot {
public:
    TempRoot() {
        std::string pattern = (fs::temp_directory_path() / "stationd-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempRoot() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

TEST(StationdFiles, GetAndHeadServeTheFileUnchanged) {
    zvtest::Stationd server(kData);
    const std::string file = readFile(kData + "/audio/tone44.mp3");
    ASSERT_FALSE(file.empty());

    const Response got = get(server.port(), "/audio/tone44.mp3");
    EXPECT_EQ(got.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(got.header("content-type"), "audio/mpeg");
    EXPECT_EQ(got.header("content-length"), std::to_string(file.size()));
    EXPECT_TRUE(got.body == file);

    const Response head = get(server.port(), "/audio/tone44.mp3", "HEAD");
    EXPECT_EQ(head.statusLine, "HTTP/1.0 200 OK");
    EXPECT_EQ(head.header("content-length"), std::to_string(file.size()));
    EXPECT_TRUE(head.body.empty());

    EXPECT_EQ(get(server.port(), "/audio/nincs.mp3").statusLine, "HTTP/1.0 404 Not Found");
    EXPECT_EQ(get(server.port(), "/audio").statusLine, "HTTP/1.0 404 Not Found");
    EXPECT_EQ(get(server.port(), "/audio/tone44.mp3", "POST").statusLine,
              "HTTP/1.0 405 Method Not Allowed");
    EXPECT_EQ(Response::parse(roundTrip(server.port(), "nonsense\r\n\r\n")).statusLine,
              "HTTP/1.0 400 Bad Request");
}

TEST(StationdFiles, HostPlaceholderIsReplacedInTextFiles) {
    zvtest::Stationd server(kData);
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    for (const std::string path : {"/playlists/mp3.pls", "/playlists/mp3.m3u", "/stations.ini"}) {
        const std::string original = readFile(kData + path);
        ASSERT_NE(original.find("@HOST@"), std::string::npos) << path;
        const Response got = get(server.port(), path);
        EXPECT_EQ(got.body, replaceAll(original, "@HOST@", host)) << path;
        EXPECT_EQ(got.header("content-length"), std::to_string(got.body.size())) << path;
    }
    EXPECT_EQ(get(server.port(), "/playlists/mp3.pls").header("content-type"), "audio/x-scpls");
}

TEST(StationdFiles, PathsLeavingTheRootAreRefused) {
    TempRoot root;
    std::ofstream(root.path() / "inside.txt") << "inside";
    fs::create_symlink(fs::path(kData) / "stations.ini", root.path() / "outside.ini");
    zvtest::Stationd server(root.path().string());

    EXPECT_EQ(get(server.port(), "/inside.txt").body, "inside");
    for (const std::string target :
         {"/../stations.ini", "/x/../../stations.ini", "/%2e%2e/stations.ini",
          "/..%2f..%2fetc/passwd", "/outside.ini"}) {
        EXPECT_EQ(get(server.port(), target).statusLine, "HTTP/1.0 403 Forbidden") << target;
    }
}

TEST(StationdFaults, FailFirstAnswers500ThenServes) {
    zvtest::Stationd server(kData, {"--fail-first", "2"});
    EXPECT_EQ(get(server.port(), "/stations.ini").statusLine, "HTTP/1.0 500 Internal Server Error");
    EXPECT_EQ(get(server.port(), "/playlists/mp3.pls").statusLine,
              "HTTP/1.0 500 Internal Server Error");
    EXPECT_EQ(get(server.port(), "/stations.ini").statusLine, "HTTP/1.0 200 OK");
}

TEST(StationdFaults, RefuseClosesEveryConnectionWithoutAnswer) {
    zvtest::Stationd server(kData, {"--refuse"});
    for (int i = 0; i < 2; ++i) {
        RawClient client(server.port());
        client.send("GET /stations.ini HTTP/1.0\r\n\r\n");
        EXPECT_TRUE(client.readUntilClosed(10s));
        EXPECT_TRUE(client.data().empty());
    }
}

TEST(StationdFaults, FileQueryParametersMisbehave) {
    zvtest::Stationd server(kData);
    const std::string file = readFile(kData + "/stations.ini");
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const size_t length = replaceAll(file, "@HOST@", host).size();

    EXPECT_EQ(get(server.port(), "/stations.ini?status=503").statusLine,
              "HTTP/1.0 503 Service Unavailable");
    EXPECT_EQ(get(server.port(), "/stations.ini?status=abc").statusLine,
              "HTTP/1.0 400 Bad Request");

    RawClient delayed(server.port());
    delayed.send("GET /stations.ini?delay_ms=600 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(delayed.readSome(200ms), 0u);
    EXPECT_FALSE(delayed.closed());
    EXPECT_TRUE(delayed.readUntilClosed(10s));
    EXPECT_EQ(Response::parse(delayed.data()).body.size(), length);

    RawClient stalled(server.port());
    stalled.send("GET /stations.ini?stall_after=100 HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(stalled.readAtLeast(1, 10s));
    stalled.readFor(300ms);
    const Response partial = Response::parse(stalled.data());
    EXPECT_FALSE(stalled.closed());
    EXPECT_EQ(partial.header("content-length"), std::to_string(length));
    EXPECT_EQ(partial.body.size(), 100u);

    const Response cut = get(server.port(), "/stations.ini?close_after=100");
    EXPECT_EQ(cut.header("content-length"), std::to_string(length));
    EXPECT_EQ(cut.body.size(), 100u);
}

}  // namespace
