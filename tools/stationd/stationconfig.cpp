#include "stationconfig.h"

#include <optional>

namespace {

std::optional<qint64> integer(const QByteArray& value, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 n = value.trimmed().toLongLong(&ok);
    return ok && n >= low && n <= high ? std::optional(n) : std::nullopt;
}

std::optional<double> seconds(const QByteArray& value, double low) {
    bool ok = false;
    const double s = value.trimmed().toDouble(&ok);
    return ok && s >= low && s <= 1e6 ? std::optional(s) : std::nullopt;
}

std::optional<bool> boolean(const QByteArray& value) {
    const QByteArray v = value.trimmed().toLower();
    if (v == "1" || v == "true") {
        return true;
    }
    if (v == "0" || v == "false") {
        return false;
    }
    return std::nullopt;
}

template <typename T, typename U>
StationConfig::SetResult assign(T& field, const std::optional<U>& value) {
    if (!value) {
        return StationConfig::SetResult::BadValue;
    }
    field = static_cast<T>(*value);
    return StationConfig::SetResult::Done;
}

}  // namespace

StationConfig::SetResult StationConfig::set(const QByteArray& key, const QByteArray& value) {
    constexpr qint64 kMiB = 1024 * 1024;
    if (key == "file") {
        return assign(file, std::optional(value));
    }
    if (key == "status_line") {
        return assign(statusLine, value.isEmpty() ? std::nullopt : std::optional(value));
    }
    if (key == "content_type") {
        return assign(contentType, std::optional(value));
    }
    if (key == "icy-name" || key == "icy-description" || key == "icy-genre" || key == "icy-url" ||
        key == "icy-br" || key == "icy-pub") {
        if (value.isEmpty()) {
            icyHeaders.remove(key);
        } else {
            icyHeaders.insert(key, value);
        }
        return SetResult::Done;
    }
    if (key == "metaint") {
        return assign(metaint, integer(value, 0, kMiB));
    }
    if (key == "titles") {
        titles = value.isEmpty() ? QList<QByteArray>() : value.split('|');
        return SetResult::Done;
    }
    if (key == "title_interval") {
        const std::optional<double> s = seconds(value, 0);
        return assign(titleInterval, s && *s > 0 ? s : std::nullopt);
    }
    if (key == "title_bytes") {
        return assign(titleBytes, integer(value, 0, 1024 * kMiB));
    }
    if (key == "stream_url") {
        return assign(streamUrl, std::optional(value));
    }
    if (key == "burst") {
        return assign(burst, integer(value, 0, 16 * kMiB));
    }
    if (key == "redirect") {
        return assign(redirect, std::optional(value));
    }
    if (key == "join_live") {
        return assign(joinLive, boolean(value));
    }
    if (key == "redirect_loop") {
        return assign(redirectLoop, boolean(value));
    }
    if (key == "drop_after") {
        return assign(dropAfter, seconds(value, 0));
    }
    if (key == "refuse_after_drop") {
        return assign(refuseAfterDrop, integer(value, 0, 1000));
    }
    if (key == "stall_at") {
        return assign(stallAt, seconds(value, 0));
    }
    if (key == "stall_for") {
        return assign(stallFor, seconds(value, 0));
    }
    if (key == "trickle") {
        return assign(tricklePercent, integer(value, 1, 1000));
    }
    if (key == "garbage_after") {
        return assign(garbageAfter, integer(value, 0, 1024 * kMiB));
    }
    if (key == "garbage_len") {
        return assign(garbageLength, integer(value, 1, kMiB));
    }
    if (key == "meta_overrun") {
        return assign(metaOverrun, boolean(value));
    }
    if (key == "no_metadata") {
        return assign(noMetadata, boolean(value));
    }
    if (key == "header_padding") {
        return assign(headerPadding, integer(value, 0, 16 * kMiB));
    }
    return setHls(key, value);
}

StationConfig::SetResult StationConfig::setHls(const QByteArray& key, const QByteArray& value) {
    if (key == "hls") {
        static const QMap<QByteArray, Hls> kModes{
            {"packed", Hls::Packed}, {"ts", Hls::Ts}, {"master", Hls::Master}};
        const auto mode = kModes.constFind(value.trimmed());
        return assign(hls, mode == kModes.constEnd() ? std::nullopt : std::optional(*mode));
    }
    if (key == "segment_seconds") {
        const std::optional<double> s = seconds(value, 0.2);
        return assign(segmentSeconds, s && *s <= 60 ? s : std::nullopt);
    }
    if (key == "window") {
        return assign(window, integer(value, 1, 1000));
    }
    if (key == "discontinuity") {
        return assign(discontinuity, boolean(value));
    }
    if (key == "variants") {
        variants = value.isEmpty() ? QList<QByteArray>() : value.split('|');
        return SetResult::Done;
    }
    if (key == "bandwidth") {
        return assign(bandwidth, integer(value, 1, 1'000'000'000));
    }
    if (key == "average_bandwidth") {
        return assign(averageBandwidth, integer(value, 1, 1'000'000'000));
    }
    if (key == "codecs") {
        return assign(codecs, std::optional(value));
    }
    if (key == "hls_map") {
        return assign(hlsMap, boolean(value));
    }
    if (key == "hls_key") {
        return assign(hlsKey, boolean(value));
    }
    if (key == "missing_every") {
        const std::optional<qint64> n = integer(value, 0, 1'000'000);
        return assign(missingEvery, n && *n != 1 ? n : std::nullopt);
    }
    if (key == "stale_after") {
        return assign(staleAfter, seconds(value, 0));
    }
    if (key == "gone_after") {
        return assign(goneAfter, seconds(value, 0));
    }
    return SetResult::UnknownKey;
}

void StationConfig::replaceHost(const QByteArray& host) {
    for (QByteArray* text : {&statusLine, &contentType, &streamUrl, &redirect}) {
        text->replace("@HOST@", host);
    }
    for (QByteArray& title : titles) {
        title.replace("@HOST@", host);
    }
    for (QByteArray& value : icyHeaders) {
        value.replace("@HOST@", host);
    }
}
