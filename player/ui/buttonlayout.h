// The preset buttons' widths and left edges in one row, in twips (15 twips = 1 pixel at
// 96 dpi). Every button of the row gets the width (F − 450) / n, hidden ones too; the enabled
// ones are placed side by side at k × (W + 225/n) + 450/n + 225/n, where F is the frame's
// width, n the row's count of enabled buttons, k the button's place among them and W the width
// the window reports back after the assignment. A row without an enabled button is left as it
// is. Pure functions; safe from any thread.
#pragma once

#include <optional>
#include <vector>

namespace zvlayout {

constexpr int kTwipsPerPixel = 15;

int twipsToPixels(double twips);  // rounded to the nearest pixel, halves to even
double pixelsToTwips(int pixels);

struct ButtonPlacement {
    double width = 0;
    std::optional<double> left;  // set for enabled buttons only
};

// enabled: one flag per button of the row, in index order. An empty result: row not laid out.
std::vector<ButtonPlacement> layoutRow(double frameWidth, const std::vector<bool>& enabled);

}  // namespace zvlayout
