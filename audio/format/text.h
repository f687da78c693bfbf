#pragma once

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

// The media type of a Content-Type value ("audio/aac; charset=x" → "audio/aac"): the text
// before any parameters, trimmed, its case kept.
std::string_view mediaType(std::string_view contentType);

}  // namespace zva
