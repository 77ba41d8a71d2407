#pragma once
// Screen geometry is given in twips, fifteen to a pixel.

namespace tarvo::gui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

}  // namespace tarvo::gui
