// The slice panes' window: a level and a width in file units, and the grey
// each file value is drawn with through it.
#pragma once

#include <cstdint>
#include <vector>

#include "volume/volume_store.h"

namespace calyra {

struct WindowLevel {
    double level = 127.5;
    double width = 255.0;  // > 0
    bool operator==(const WindowLevel&) const = default;
};

// The window a new volume starts with: its whole range, (lo + hi) / 2 and
// hi - lo (1 when hi == lo). Models and one-byte files then show their
// stored bytes.
WindowLevel StartSliceWindow(const ValueMapping& m);

// The grey of file value F: 0 at or below L - W/2, 255 at or above L + W/2,
// else trunc((F - (L - W/2)) x 255 / W) in double.
std::uint8_t WindowGrey(double fileValue, const WindowLevel& w);

// WindowGrey of F(f) for every fine value f, 65536 entries.
std::vector<std::uint8_t> FineGreyTable(const ValueMapping& m, const WindowLevel& w);

// The window a drag gives from the one it started with: each pixel right
// widens it by (hi - lo) / 512, each pixel up raises the level as much; the
// width stays at least (hi - lo) / 65535 and 1e-6.
WindowLevel DraggedWindow(const WindowLevel& start, const ValueMapping& m, int right, int up);

}  // namespace calyra
