// Reading one value from a profile (INI-form) file: "[section]" lines, then "key=value" lines.
// Section and key names match without regard to letter case, the first match wins, blanks
// around names and values are trimmed, one pair of surrounding quotes is removed, and a value
// is cut to 254 characters. Files are read as UTF-8 when valid, else as Windows-1250.
//
// Thread contract: pure functions over the given file or text; safe from any thread.
#pragma once

#include <QString>

#include <optional>

namespace modRegistryIni {

// The value of key in section of the file at location, or defaultValue when the file, the
// section or the key is missing or the file cannot be read. kind "S" (text) is the only kind.
QString ReadProfileValue(const QString& location, const QString& section, const QString& key,
                         const QString& kind, const QString& defaultValue);

// True when location names an existing, readable, non-hidden regular file.
bool ResolveLocation(const QString& location);

// The parsing rule on its own: the value of key in section of the profile text, if present.
std::optional<QString> findProfileValue(const QString& text, const QString& section,
                                        const QString& key);

// Files larger than this are read only up to it.
constexpr qint64 kMaxProfileBytes = 1024 * 1024;
constexpr int kMaxValueLength = 254;

}  // namespace modRegistryIni
