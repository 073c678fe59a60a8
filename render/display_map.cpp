#include "render/display_map.h"

#include <algorithm>
#include <array>

#include "render/display_map_tables.h"

namespace calyra {

std::uint8_t WindowedGrey(std::uint8_t grey, DisplayWindow window) {
    const std::int32_t g = grey;
    if (g <= window.lo) return 0;
    if (g >= window.hi) return 255;
    return static_cast<std::uint8_t>((g - window.lo) * 255 / (window.hi - window.lo));
}

Rgb8 DisplayColour(std::uint8_t grey, ColourMap map, DisplayWindow window) {
    const std::uint8_t g = WindowedGrey(grey, window);
    switch (map) {
        case ColourMap::Grey:
            return {g, g, g};
        case ColourMap::Inverted: {
            const auto v = static_cast<std::uint8_t>(255 - g);
            return {v, v, v};
        }
        case ColourMap::Hot:
            return kHotTable[g];
        case ColourMap::Bone:
            return kBoneTable[g];
        case ColourMap::Viridis:
            return kViridisTable[g];
    }
    return {g, g, g};
}

DisplayWindow DraggedWindow(DisplayWindow start, std::int32_t right, std::int32_t up) {
    // Width and centre from the drag's start, so dragging back restores it;
    // an odd widening puts its extra level at the top.
    const std::int64_t width =
        std::clamp<std::int64_t>(std::int64_t{start.hi} - start.lo + right, 1, 255);
    const std::int64_t grown = width - (std::int64_t{start.hi} - start.lo);
    const std::int64_t below = grown >= 0 ? grown / 2 : -((-grown + 1) / 2);
    std::int64_t lo = std::int64_t{start.lo} - below + up;
    lo = std::clamp<std::int64_t>(lo, 0, 255 - width);
    return {static_cast<std::int32_t>(lo), static_cast<std::int32_t>(lo + width)};
}

}  // namespace calyra
