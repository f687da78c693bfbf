// stationd as a file server: plain answers, "@HOST@" in text files and the root as a boundary,
// through real loopback sockets. Its misbehaviour on request is asserted by the clients' tests
// that meet it (refused, failing, delayed, stalled and cut answers).

#include "rawclient.h"
#include "response.h"
#include "scratchdir.h"
#include "stationd.h"

#include <gtest/gtest.h>

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
    const zvtest::ScratchDir root;
    std::filesystem::create_symlink(kData + "/stations.ini", root.path() / "outside.ini");
    zvtest::Stationd server(root.path().string());
    EXPECT_EQ(get(server.port(), "/outside.ini").statusLine(), "HTTP/1.0 403 Forbidden");
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

}  // namespace
