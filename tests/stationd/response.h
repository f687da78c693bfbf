#pragma once

#include <map>
#include <string>

// What the server's tests read out of a raw answer: the head split from the body. Plain
// values and functions: any thread.
struct Response {
    bool complete = false;  // the head's blank line was found
    std::string statusLine;
    std::map<std::string, std::string> headers;  // lower-case names
    size_t headSize = 0;                         // bytes up to and including the blank line
    std::string body;

    static Response parse(const std::string& data);
    // The header's value, or "" when absent.
    std::string header(const std::string& name) const;
};

// The whole content of a file, or "" when it cannot be read.
std::string readFile(const std::string& path);
