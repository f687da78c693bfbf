#pragma once

#include <string>
#include <string_view>

namespace zva {

// Small text helpers for header values, playlist lines and addresses. Letters compare in ASCII
// only: these are protocol words, never language text. Pure code.
//
// Thread contract: stateless; any thread.

// `s` without the blanks (space, tab, CR, LF) at either end.
std::string_view trim(std::string_view s);

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

// `s` without a UTF-8 byte order mark in front.
std::string_view withoutBom(std::string_view s);

// The media type of a Content-Type value ("audio/aac; charset=x" → "audio/aac"): the text
// before any parameters, trimmed, its case kept.
std::string_view mediaType(std::string_view contentType);

// Cuts text that comes in pieces into lines: each line, ended by CR or LF (so CRLF adds an empty
// one), goes to `line` whole; the unfinished end waits in `pending` for the next piece.
template <class Line>
void splitLines(std::string_view text, std::string& pending, Line&& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            pending.append(text.substr(start));
            return;
        }
        pending.append(text.substr(start, end - start));
        line(std::string_view(pending));
        pending.clear();
        start = end + 1;
    }
}

}  // namespace zva
