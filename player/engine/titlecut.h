// Cuts the title out of one stream metadata block: StreamTitle='…';StreamUrl='…';
//
// The block must begin with "StreamTitle='" exactly (letter case included), else it holds no
// title. The title is the text after that key up to the first "';" (so a title may contain
// ";" and quotes). A block without "';" ends its title at its last quote, or at its end when
// it has no quote left (some servers leave out the ";").
//
// Thread contract: a pure function; safe from any thread.
#pragma once

#include <QString>

#include <optional>

namespace zvengine {

// The title, or nothing when the block is not a StreamTitle block.
std::optional<QString> cutStreamTitle(const QString& block);

}  // namespace zvengine
