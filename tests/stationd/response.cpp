#include "response.h"

#include <algorithm>
#include <fstream>
#include <sstream>

Response Response::parse(const std::string& data) {
    Response response;
    const size_t end = data.find("\r\n\r\n");
    if (end == std::string::npos) {
        return response;
    }
    response.complete = true;
    response.headSize = end + 4;
    response.body = data.substr(end + 4);
    std::istringstream lines(data.substr(0, end));
    std::string line;
    std::getline(lines, line);
    response.statusLine = line.substr(0, line.find('\r'));
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('\r'));
        const size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        const size_t value = line.find_first_not_of(' ', colon + 1);
        response.headers[name] = value == std::string::npos ? "" : line.substr(value);
    }
    return response;
}

std::string Response::header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
