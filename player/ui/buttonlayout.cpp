#include "buttonlayout.h"

#include <algorithm>
#include <cmath>

namespace zvlayout {

int twipsToPixels(double twips) {
    return static_cast<int>(std::nearbyint(twips / kTwipsPerPixel));
}

double pixelsToTwips(int pixels) {
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

std::vector<ButtonPlacement> layoutRow(double frameWidth, const std::vector<bool>& enabled) {
    const auto n = static_cast<double>(std::count(enabled.begin(), enabled.end(), true));
    if (n == 0) {
        return {};
    }
    std::vector<ButtonPlacement> row(enabled.size());
    int k = 0;
    for (size_t i = 0; i < enabled.size(); ++i) {
        row[i].width = (frameWidth - 450) / n;
        if (enabled[i]) {
            // The window keeps whole pixels: the width it reports back is the rounded one.
            const double reported = pixelsToTwips(twipsToPixels(row[i].width));
            row[i].left = static_cast<float>(k * (reported + 225 / n) + 450 / n + 225 / n);
            ++k;
        }
    }
    return row;
}

}  // namespace zvlayout
