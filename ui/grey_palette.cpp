#include "ui/grey_palette.h"

#include <cstdlib>

namespace calyra::ui {

void RampPalette(GreyPalette& palette, int start, int end, int a, int b) {
    if (start < 0 || end > static_cast<int>(palette.entries.size()) || end <= start) return;
    // The step is rounded to float once; every entry multiplies it in float.
    const float step = static_cast<float>(static_cast<double>(b - a) / (end - start));
    for (int i = start; i < end; ++i) {
        const float t = static_cast<float>(i - start);
        const float scaled = t * step;
        const auto grey = static_cast<std::uint8_t>(a + static_cast<int>(scaled));
        palette.entries[i] = {grey, grey, grey, kPaletteReserved};
    }
}

GreyPalette BuildGreyPalette() {
    GreyPalette palette;
    palette.entries[0] = {0, 0, 0, kPaletteReserved};
    RampPalette(palette, 1, 128, 0, 128);
    RampPalette(palette, 128, 256, 128, 255);
    return palette;
}

std::uint8_t NearestPaletteGrey(const GreyPalette& palette, std::uint8_t grey) {
    std::uint8_t best = palette.entries[0].red;
    int bestDistance = 256;
    for (const PaletteEntry& entry : palette.entries) {
        const int distance = std::abs(static_cast<int>(entry.red) - grey);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = entry.red;
        }
    }
    return best;
}

}  // namespace calyra::ui
