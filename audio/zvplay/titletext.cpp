#include "titletext.h"

#include <iconv.h>

#include <vector>

namespace zvplay {
namespace {

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra;
        char32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        char32_t code = c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::string toUtf8(std::string_view bytes) {
    if (validUtf8(bytes)) {
        return std::string(bytes);
    }
    iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(bytes);
    }
    std::string in(bytes);
    std::vector<char> out(in.size() * 3 + 1);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::string result;
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            // A byte with no character in the code page (e.g. 0x81) becomes U+FFFD.
            result.append(out.data(), static_cast<std::size_t>(outPtr - out.data()));
            result += "\xEF\xBF\xBD";
            outPtr = out.data();
            outLeft = out.size();
            ++inPtr;
            --inLeft;
        }
    }
    result.append(out.data(), static_cast<std::size_t>(outPtr - out.data()));
    iconv_close(cd);
    return result;
}

std::string streamTitle(std::string_view meta) {
    constexpr std::string_view kKey = "StreamTitle='";
    if (!meta.starts_with(kKey)) {
        return {};
    }
    meta.remove_prefix(kKey.size());
    const auto end = meta.find("';");
    return std::string(end == std::string_view::npos ? meta : meta.substr(0, end));
}

}  // namespace zvplay
