#include "loudnessmemory.h"

#include "net/filereplace.h"
#include "platform/writefolders.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace zvengine {

LoudnessMemory& loudnessMemory() {
    static LoudnessMemory memory;
    return memory;
}

QString LoudnessMemory::inStateFolder() {
    return zvpaths::stateFolder() + QStringLiteral("/hangerok.tsv");
}

void LoudnessMemory::open(const QString& path) {
    std::vector<std::pair<QString, float>> kept;
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            bool number = false;
            const float lufs = fields.size() == 2 ? fields[1].toFloat(&number) : 0.0f;
            if (number && std::isfinite(lufs) && !fields[0].isEmpty()) {
                kept.emplace_back(QString::fromUtf8(fields[0]), lufs);
            }
        }
    }
    const std::lock_guard lock(mutex_);
    path_ = path;
    kept_ = std::move(kept);
}

std::optional<float> LoudnessMemory::loudness(const QString& address) const {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(kept_.rbegin(), kept_.rend(),
                                    [&](const auto& station) { return station.first == address; });
    return found != kept_.rend() ? std::optional(found->second) : std::nullopt;
}

void LoudnessMemory::measured(const QString& address, float seconds, float lufs) {
    if (seconds < kLeastSeconds || !std::isfinite(lufs) || address.isEmpty()) {
        return;
    }
    const std::lock_guard lock(mutex_);
    std::erase_if(kept_, [&](const auto& station) { return station.first == address; });
    kept_.emplace_back(address, lufs);
    if (kept_.size() > kMostStations) {
        kept_.erase(kept_.begin());
    }
    if (path_.isEmpty()) {
        return;
    }
    QByteArray content;
    for (const auto& [station, loudness] : kept_) {
        content += station.toUtf8() + '\t' + QByteArray::number(loudness, 'f', 1) + '\n';
    }
    zvpaths::makeFolder(QFileInfo(path_).path());
    zvnet::replaceFile(path_, content);
}

}  // namespace zvengine
