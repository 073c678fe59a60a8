// The render window's 256-entry grey palette.
#pragma once

#include <array>
#include <cstdint>

namespace calyra::ui {

inline constexpr std::uint8_t kPaletteReserved = 1;  // every entry is marked reserved

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
};

// A logical palette table: version 0x300, 256 entries.
struct GreyPalette {
    std::uint16_t version = 0x300;
    std::uint16_t count = 256;
    std::array<PaletteEntry, 256> entries{};
};

// Entries [start, end) ramp from grey a towards grey b: step (b - a) / (end - start)
// held as a float, entry i gets a + trunc(float(i - start) x step).
void RampPalette(GreyPalette& palette, int start, int end, int a, int b);

// Entry 0 black; 1..127 ramp 0 -> 128 (entry 127 = 126); 128..255 ramp 128 -> 255
// (entry 128 = 128, entry 255 = 254). Greys 127 and 255 do not occur.
GreyPalette BuildGreyPalette();

// On a palette display a cell takes the nearest grey the palette holds.
std::uint8_t NearestPaletteGrey(const GreyPalette& palette, std::uint8_t grey);

}  // namespace calyra::ui
