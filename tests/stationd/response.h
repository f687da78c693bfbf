#pragma once

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

// What the server's tests read out of a raw answer: the head split from the body. Plain
// values: any thread.
struct Response {
    std::string head;  // up to and including the blank line; "" until that has come
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

// The whole content of a file, or "" when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
