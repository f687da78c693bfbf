#include "stationd.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace zvtest {

namespace {

std::vector<std::string> commandLine(const std::string& root, std::vector<std::string> extraArgs) {
    std::vector<std::string> args{ZV_BIN_DIR "/stationd", "--port", "0", "--root", root};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return args;
}

}  // namespace

// The server prints its port once it listens.
Stationd::Stationd(const std::string& root, std::vector<std::string> extraArgs)
    : process_(commandLine(root, std::move(extraArgs))), port_(std::atoi(process_.line().c_str())) {
    if (port_ <= 0) {
        throw std::runtime_error("stationd did not start (root " + root + "); see its stderr");
    }
}

Stationd& sharedStationd() {
    static Stationd server(ZV_TEST_DATA_DIR);
    return server;
}

std::string Stationd::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace zvtest
