// The per-user settings store: (section, key) → text, kept in ~/.config/Zenovia/Zenovia.ini
// (XDG_CONFIG_HOME is honoured). Sections "Beallitasok" (volume "Hangero", output device
// "Hangkartya", proxy "Proxy" and "KozvetlenKapcsolat", desktop notices "Ertesites", every
// station at one loudness "EgyenletesHangero") and "Ablak" (the main window's id
// "WindowHandle"). The file is its owner's alone (mode 0600), for it may hold proxy credentials.
//
// Thread contract: every call may come from any thread; each call opens the store afresh.
#pragma once

#include <QString>

namespace zvsettings {

// How the receiver reaches the web: straight (direct), through the proxy of address, or, with
// neither, as the system's proxy variables say.
struct ProxySetting {
    bool direct = false;
    QString address;  // "(user:password@)host:port", optionally after "socks5://" and the like
};

// The sections and keys of the store.
inline const QString kSettingsSection = QStringLiteral("Beallitasok");
inline const QString kVolumeKey = QStringLiteral("Hangero");
inline const QString kDeviceKey = QStringLiteral("Hangkartya");
inline const QString kProxyKey = QStringLiteral("Proxy");
inline const QString kDirectKey = QStringLiteral("KozvetlenKapcsolat");
inline const QString kNoticesKey = QStringLiteral("Ertesites");
inline const QString kLevellingKey = QStringLiteral("EgyenletesHangero");
inline const QString kWindowSection = QStringLiteral("Ablak");
inline const QString kWindowHandleKey = QStringLiteral("WindowHandle");

QString read(const QString& section, const QString& key, const QString& defaultValue = {});
void write(const QString& section, const QString& key, const QString& value);
// Removes the section with all its keys; false when there was no such section.
bool removeSection(const QString& section);

// The stored volume slider position: "48" when absent or not a number, raised to 3, at most 50.
int storedVolume();
// Stores the volume slider position as "Hangero".
void storeVolume(int position);
// The stored output device: -1 (the system default) when absent or not a number.
int storedDevice();
// The stored proxy: not direct and no address (the system's proxy) when the keys are absent.
ProxySetting storedProxy();
void storeProxy(const ProxySetting& proxy);
// Whether new titles are told in desktop notices: off unless "Ertesites" is "1".
bool storedNotices();
void storeNotices(bool on);
// Whether every station plays at one loudness: on unless "EgyenletesHangero" is "0".
bool storedLevelling();
void storeLevelling(bool on);

}  // namespace zvsettings
