#include "volumestep.h"

namespace {

constexpr int kSilent = 0;
constexpr int kLoudest = 50;
constexpr int kFineRange = 5;  // positions at either end that the wheel moves one by one
constexpr int kCoarseStep = 5;

bool within(int value, int low, int high) {
    return value >= low && value <= high;
}

}  // namespace

int wheelPosition(int position, int zDelta) {
    if (zDelta == 0 || !within(position, kSilent, kLoudest)) {
        return position;
    }
    const bool fine = within(position, kLoudest - kFineRange, kLoudest) ||
                      within(position, kSilent, kSilent + kFineRange);
    int step = fine ? 1 : kCoarseStep;
    if (zDelta < 0) {
        step = position == kSilent ? 0 : -step;
    } else if (position == kLoudest) {
        step = 0;
    }
    return position + step;
}
