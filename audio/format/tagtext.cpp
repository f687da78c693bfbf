#include "tagtext.h"

#include <iconv.h>

#include <algorithm>
#include <memory>

namespace zva {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size()) {
            return false;
        }
        char32_t code = lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode are no UTF-8.
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

}  // namespace

std::string streamTitleBlock(std::string_view title) {
    return "StreamTitle='" + std::string(title) + "';";
}

std::optional<std::string> streamTitle(std::string_view block) {
    constexpr std::string_view kKey = "StreamTitle='";
    if (!block.starts_with(kKey)) {
        return std::nullopt;
    }
    block.remove_prefix(kKey.size());
    std::size_t end = block.find("';");
    if (end == std::string_view::npos) {
        end = block.rfind('\'');
    }
    return std::string(end == std::string_view::npos ? block : block.substr(0, end));
}

std::string tagTextToUtf8(std::string_view bytes) {
    if (validUtf8(bytes)) {
        return std::string(bytes);
    }
    const iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return latin1ToUtf8(bytes);
    }
    const std::unique_ptr<void, IconvCloser> guard(cd);
    std::string in(bytes);
    // One byte becomes at most three UTF-8 bytes in this code page.
    std::string out(in.size() * 3, '\0');
    char* inAt = in.data();
    std::size_t inLeft = in.size();
    char* outAt = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &inAt, &inLeft, &outAt, &outLeft) == static_cast<std::size_t>(-1)) {
            ++inAt;
            --inLeft;
            outAt = std::copy(kReplacement.begin(), kReplacement.end(), outAt);
            outLeft -= kReplacement.size();
        }
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace zva
