#include "fixtures.h"

#include <fstream>
#include <iterator>

namespace zvtest {

std::vector<std::uint8_t> audioFixture(const std::string& name) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/audio/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long fixtureValue(const std::string& name, const std::string& key) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/fixtures.ini");
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
            inSection = line == "[" + name + "]";
        } else if (inSection && line.starts_with(key + "=")) {
            return std::stol(line.substr(key.size() + 1));
        }
    }
    return -1;
}

std::vector<std::uint8_t> garbage(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((state >> 16) % 255);
    }
    return bytes;
}

}  // namespace zvtest
