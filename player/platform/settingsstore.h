// The per-user settings store: (section, key) → text, kept in ~/.config/Zenovia/Zenovia.ini
// (XDG_CONFIG_HOME is honoured). Sections "Beallitasok" (volume "Hangero", output device
// "Hangkartya") and "Ablak" (the main window's id "WindowHandle").
//
// Thread contract: every call may come from any thread; each call opens the store afresh.
#pragma once

#include <QString>

namespace zvsettings {

inline const QString kSettingsSection = QStringLiteral("Beallitasok");
inline const QString kWindowSection = QStringLiteral("Ablak");

QString read(const QString& section, const QString& key, const QString& defaultValue = {});
void write(const QString& section, const QString& key, const QString& value);
// Removes the section with all its keys; false when there was no such section.
bool removeSection(const QString& section);

// The stored volume slider position: "48" when absent or not a number, raised to 3, at most 50.
int storedVolume();
// The stored output device: -1 (the system default) when absent or not a number.
int storedDevice();

}  // namespace zvsettings
