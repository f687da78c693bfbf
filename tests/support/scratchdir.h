#pragma once

#include <filesystem>
#include <string>

namespace zvtest {

// A fresh, empty folder of its own under the system's temporary folder, removed with all it
// holds when the object goes, also when the test fails or skips half-way. One thread.
class ScratchDir {
public:
    ScratchDir();  // throws std::filesystem::filesystem_error when it cannot be made
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The whole content of a file, or "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace zvtest
