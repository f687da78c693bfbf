// TLS certificates are verified: a server with a self-signed certificate is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "childprocess.h"
#include "scratchdir.h"
#include "zvaudio.h"

namespace {

TEST(Tls, SelfSignedCertificateIsRefused) {
    const zvtest::ScratchDir dir;
    const std::string key = (dir.path() / "key.pem").string();
    const std::string cert = (dir.path() / "cert.pem").string();
    const std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
        " -keyout '" +
        key + "' -out '" + cert + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "the openssl command cannot make a test certificate";
    }
    // The server says "ACCEPT 127.0.0.1:<port>" once it listens.
    zvtest::ChildProcess server(
        {"openssl", "s_server", "-www", "-accept", "127.0.0.1:0", "-cert", cert, "-key", key});
    std::string line = server.line();
    while (!line.empty() && line.rfind("ACCEPT ", 0) != 0) {
        line = server.line();
    }
    ASSERT_FALSE(line.empty());
    const std::string url = "https://" + line.substr(7) + "/";

    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    EXPECT_EQ(ZVA_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_SSL);
    ZVA_Free();
}

}  // namespace
