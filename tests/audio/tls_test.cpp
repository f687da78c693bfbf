// TLS certificates are verified: a server with a self-signed certificate is refused.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "scratchdir.h"
#include "waitfor.h"
#include "zvaudio.h"

namespace {

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

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
    const int port = freePort();
    const std::string accept = "127.0.0.1:" + std::to_string(port);
    const pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        // Only async-signal-safe calls between fork and exec: the test may run threads.
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execlp("openssl", "openssl", "s_server", "-quiet", "-www", "-accept", accept.c_str(),
               "-cert", cert.c_str(), "-key", key.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const struct Reaper {
        pid_t pid;
        ~Reaper() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } reaper{server};
    ASSERT_TRUE(zvtest::waitFor([&] { return accepts(port); }));

    ASSERT_EQ(ZVA_Init(0, 44100, 0, nullptr, nullptr), 1);
    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(ZVA_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(ZVA_ErrorGetCode(), ZVA_ERROR_SSL);
    ZVA_Free();
}

}  // namespace
