#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zva {

// How stream tags read: the metadata block's title, and the bytes of a tag as text. The
// receiver and zvplay both read tags through these, so they show the same titles.
//
// Thread contract: pure functions; any thread.

// The title in a metadata block "StreamTitle='…';StreamUrl='…';". The block must begin with
// "StreamTitle='" exactly (letter case included), else it holds no title. The title runs up to
// the first "';" (so it may contain ";" and quotes); a block without "';" ends it at its last
// quote, or at its end when no quote is left (some servers leave out the ";").
std::optional<std::string> streamTitle(std::string_view block);

// A title told as a metadata block tells it: "StreamTitle='…';".
std::string streamTitleBlock(std::string_view title);

// Tag bytes as UTF-8 text: kept when they are valid UTF-8, else read as Windows-1250 (the code
// page of Central European stations), whose few undefined bytes become U+FFFD. Without the
// code page in the system's converter the bytes are read as Latin-1.
std::string tagTextToUtf8(std::string_view bytes);

}  // namespace zva
