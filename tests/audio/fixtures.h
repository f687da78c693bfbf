#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvtest {

// The bytes of a file in tests/data/audio; empty when it cannot be read.
std::vector<std::uint8_t> audioFixture(const std::string& name);

// One key of a fixture's section in tests/data/fixtures.ini as a number; -1 when absent.
long fixtureValue(const std::string& name, const std::string& key);

// Bytes that never hold a frame sync (no 0xFF), for leading garbage.
std::vector<std::uint8_t> garbage(std::size_t size);

}  // namespace zvtest
