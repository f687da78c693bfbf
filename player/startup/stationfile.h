// Reading the station list: the local zvadok.ini, or the copy fetched from the configuration
// server, into a StationList, with the update notice and the fetch retries.
//
// Thread contract: UI thread only, during start-up (it shows message boxes and may end the
// program).
#pragma once

#include "engine/stationtable.h"

#include <QString>

#include <chrono>

namespace zvstartup {

// The configuration server's station file, as the build sets it.
QString configurationAddress();

class StationFile {
public:
    using Pause = void (*)(std::chrono::milliseconds);

    // configUrl: where getRemIni fetches the station file; pause: how it waits between tries.
    StationFile(zvengine::StationList& list, QString configUrl, Pause pause);

    // Reads the station file at path into the list, runs the update check unless zvrt.local is
    // in the program folder, and completes a local file that lacks station 0 from the server.
    void loadIni(const QString& path);

    // Fetches the station file into TEMP/zvad.tmp (five tries, 2 s apart), reads it and deletes
    // it. Ends the program with a message when it cannot.
    void getRemIni();

private:
    void readStations(const QString& path);

    zvengine::StationList& list_;
    QString configUrl_;
    Pause pause_;
};

}  // namespace zvstartup
