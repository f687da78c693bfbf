#include "titlecut.h"

namespace zvengine {

std::optional<QString> cutStreamTitle(const QString& block) {
    static const QString key = QStringLiteral("StreamTitle='");
    if (!block.startsWith(key)) {
        return std::nullopt;
    }
    const QString rest = block.mid(key.size());
    qsizetype end = rest.indexOf(QStringLiteral("';"));
    if (end < 0) {
        end = rest.lastIndexOf(QLatin1Char('\''));
    }
    return end < 0 ? rest : rest.left(end);
}

}  // namespace zvengine
