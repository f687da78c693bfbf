// stationd as a file server: plain answers, "@HOST@" in text files, the root as a boundary,
// and the server-wide and per-request misbehaviour, all through real loopback sockets.

#include "rawclient.h"
#include "response.h"
#include "stationd.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

namespace {

using namespace std::chrono_literals;

const std::string kData = ZV_TEST_DATA_DIR;

// Sends a GET of the target, or a request line as given, and reads until the server closes.
Response get(int port, const std::string& request) {
    RawClient client(port);
    client.send((request[0] == '/' ? "GET " + request + " HTTP/1.0" : request) + "\r\n\r\n");
    client.read(10s);
    EXPECT_TRUE(client.closed()) << request;
    return Response(client.data());
}

std::string withHost(std::string text, int port) {
    const std::string host = "127.0.0.1:" + std::to_string(port);
    for (size_t at = text.find("@HOST@"); at != std::string::npos; at = text.find("@HOST@", at)) {
        text.replace(at, 6, host);
    }
    return text;
}

TEST(StationdFiles, GetAndHeadServeTheFileUnchanged) {
    zvtest::Stationd server(kData);
    const std::string file = readFile(kData + "/audio/tone44.mp3");
    ASSERT_FALSE(file.empty());
    for (const std::string request : {"/audio/tone44.mp3", "HEAD /audio/tone44.mp3 HTTP/1.0"}) {
        const Response got = get(server.port(), request);
        EXPECT_EQ(got.statusLine(), "HTTP/1.0 200 OK");
        EXPECT_EQ(got.header("content-type"), "audio/mpeg");
        EXPECT_EQ(got.header("content-length"), std::to_string(file.size()));
        EXPECT_TRUE(got.body == (request[0] == '/' ? file : "")) << request;
    }
}

TEST(StationdFiles, RequestsAnsweredWithAStatus) {
    zvtest::Stationd server(kData);
    const std::pair<const char*, const char*> cases[] = {
        {"/audio/nincs.mp3", "404 Not Found"},
        {"/audio", "404 Not Found"},
        {"POST /audio/tone44.mp3 HTTP/1.0", "405 Method Not Allowed"},
        {"nonsense", "400 Bad Request"},
        {"/stations.ini?status=503", "503 Service Unavailable"},
        {"/stations.ini?status=abc", "400 Bad Request"},
        {"/../CMakeLists.txt", "403 Forbidden"},
        {"/x/../../CMakeLists.txt", "403 Forbidden"},
        {"/%2e%2e/CMakeLists.txt", "403 Forbidden"},
        {"/..%2f..%2fetc/passwd", "403 Forbidden"},
    };
    for (const auto& [request, status] : cases) {
        EXPECT_EQ(get(server.port(), request).statusLine(), std::string("HTTP/1.0 ") + status)
            << request;
    }
}

TEST(StationdFiles, SymbolicLinkLeavingTheRootIsRefused) {
    const auto root =
        std::filesystem::temp_directory_path() / ("stationd-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    std::filesystem::create_symlink(kData + "/stations.ini", root / "outside.ini");
    {
        zvtest::Stationd server(root.string());
        EXPECT_EQ(get(server.port(), "/outside.ini").statusLine(), "HTTP/1.0 403 Forbidden");
    }
    std::filesystem::remove_all(root);
}

TEST(StationdFiles, HostPlaceholderIsReplacedInTextFiles) {
    zvtest::Stationd server(kData);
    for (const std::string path : {"/playlists/mp3.pls", "/playlists/mp3.m3u", "/stations.ini"}) {
        const std::string original = readFile(kData + path);
        ASSERT_NE(original.find("@HOST@"), std::string::npos) << path;
        const Response got = get(server.port(), path);
        EXPECT_EQ(got.body, withHost(original, server.port())) << path;
        EXPECT_EQ(got.header("content-length"), std::to_string(got.body.size())) << path;
    }
    EXPECT_EQ(get(server.port(), "/playlists/mp3.pls").header("content-type"), "audio/x-scpls");
}

TEST(StationdFaults, FailFirstAnswers500ThenServes) {
    zvtest::Stationd server(kData, {"--fail-first", "2"});
    for (const char* status :
         {"500 Internal Server Error", "500 Internal Server Error", "200 OK"}) {
        EXPECT_EQ(get(server.port(), "/stations.ini").statusLine(),
                  std::string("HTTP/1.0 ") + status);
    }
}

TEST(StationdFaults, RefuseClosesEveryConnectionWithoutAnswer) {
    zvtest::Stationd server(kData, {"--refuse"});
    for (int i = 0; i < 2; ++i) {
        RawClient client(server.port());
        client.send("GET /stations.ini HTTP/1.0\r\n\r\n");
        EXPECT_EQ(client.read(10s), 0u);
        EXPECT_TRUE(client.closed());
    }
}

// The body is delayed, stopped with the connection left open, or cut by a close.
TEST(StationdFaults, FileQueryParametersMisbehave) {
    zvtest::Stationd server(kData);
    const size_t length = withHost(readFile(kData + "/stations.ini"), server.port()).size();

    RawClient delayed(server.port());
    delayed.send("GET /stations.ini?delay_ms=600 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(delayed.read(200ms), 0u);
    EXPECT_FALSE(delayed.closed());
    delayed.read(10s);
    EXPECT_EQ(Response(delayed.data()).body.size(), length);

    RawClient stalled(server.port());
    stalled.send("GET /stations.ini?stall_after=100 HTTP/1.0\r\n\r\n");
    ASSERT_GT(stalled.read(10s, 1), 0u);
    stalled.read(300ms);
    EXPECT_FALSE(stalled.closed());
    for (const Response& partial :
         {Response(stalled.data()), get(server.port(), "/stations.ini?close_after=100")}) {
        EXPECT_EQ(partial.header("content-length"), std::to_string(length));
        EXPECT_EQ(partial.body.size(), 100u);
    }
}

}  // namespace
