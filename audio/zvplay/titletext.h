#pragma once

#include <string>
#include <string_view>

namespace zvplay {

// Pure functions; any thread.

// Metadata bytes as UTF-8 text: kept as they are when they are valid UTF-8, otherwise read as
// Windows-1250 (the code page Hungarian stations use).
std::string toUtf8(std::string_view bytes);

// The title of a metadata text "StreamTitle='…';…": the text between the opening quote and
// the next "';" (or the end). Empty when the text does not start with "StreamTitle='".
std::string streamTitle(std::string_view meta);

}  // namespace zvplay
