#include "reconnectschedule.h"

#include <algorithm>
#include <iterator>

namespace zva {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDelays[] = {milliseconds(200), milliseconds(500), milliseconds(1000),
                                    milliseconds(2000), milliseconds(3000)};

}  // namespace

std::optional<ReconnectSchedule::Clock::time_point> ReconnectSchedule::next(Clock::time_point now) {
    if (now >= giveUpAt_) {
        return std::nullopt;
    }
    const auto last = static_cast<int>(std::size(kDelays)) - 1;
    return std::min(now + kDelays[std::min(tries_++, last)], giveUpAt_);
}

}  // namespace zva
