// The stations the receiver offers, as the station file describes them.
//
// Thread contract: filled on the UI thread during start-up and only read afterwards.
#pragma once

#include <QString>

#include <array>

namespace zvengine {

struct StationRecord {
    QString streamUrl;     // "adoUrl<i>"
    QString pictureUrl;    // "pictur<i>"; "def" = the default logo
    QString name;          // "adoNam<i>": the preset button's caption
    bool enabled = false;  // "enable<i>": the button is shown and the station may be started
    QString logoFile;      // the downloaded logo shown while the station plays
};

// Index 0..12 is the preset button; the station number (command line, F1..F13) is index + 1.
constexpr int kStationCount = 13;
// Buttons 0..5 form the upper row, 6..12 the lower row.
constexpr int kUpperRowCount = 6;

struct StationList {
    std::array<StationRecord, kStationCount> stations;
    QString defaultPictureUrl;  // "Main"/"pictdef"
    QString defaultLogoFile;    // TEMP/zvlogodef.gif once the logos are fetched
    QString configFile;         // the station file being read
    bool localConfig = false;   // the list came from zvadok.ini in the program folder
};

}  // namespace zvengine
