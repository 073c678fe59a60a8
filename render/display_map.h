// How a cell's grey becomes the colour on the screen: first the display
// window stretches the grey levels between lo and hi over the whole range,
// then a colour map turns the stretched grey into red, green and blue. The
// render's buffers stay grey and exact; this applies only where cells are drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/named_values.h"

namespace calyra {

enum class ColourMap : std::int32_t { Grey = 0, Inverted = 1, Hot = 2, Bone = 3, Viridis = 4 };

// The grey levels shown from black to white: 0 <= lo < hi <= 255.
struct DisplayWindow {
    std::int32_t lo = 0;
    std::int32_t hi = 255;
    bool operator==(const DisplayWindow&) const = default;
};

struct Rgb8 {
    std::uint8_t r, g, b;
    bool operator==(const Rgb8&) const = default;
};

// Names as view files and calyra-render's --colormap spell them.
using ColourMapName = NamedValue<ColourMap>;
inline constexpr ColourMapName kColourMaps[] = {
    {ColourMap::Grey, "grey"}, {ColourMap::Inverted, "inverted"}, {ColourMap::Hot, "hot"},
    {ColourMap::Bone, "bone"}, {ColourMap::Viridis, "viridis"},
};
inline constexpr std::size_t kColourMapCount = std::size(kColourMaps);

inline std::optional<ColourMap> FindColourMap(std::string_view name) {
    return FindNamed<ColourMap>(kColourMaps, name);
}
// "" for a value outside the table.
inline const char* NameOf(ColourMap map) {
    const char* name = NameIn<ColourMap>(kColourMaps, map);
    return name ? name : "";
}

// Whether lo and hi make a window.
constexpr bool IsDisplayWindow(std::int32_t lo, std::int32_t hi) {
    return 0 <= lo && lo < hi && hi <= 255;
}

// The grey after the window: 0 at or below lo, 255 at or above hi, in
// between (g - lo) x 255 / (hi - lo) in integers.
std::uint8_t WindowedGrey(std::uint8_t grey, DisplayWindow window);

// The colour of a cell of grey `grey`: the window, then the map.
Rgb8 DisplayColour(std::uint8_t grey, ColourMap map, DisplayWindow window);

// The window moved by a drag of (right, up) pixels from `start`: each pixel
// right widens it by 1, each pixel up raises its centre by 1, kept within
// 0 <= lo < hi <= 255.
DisplayWindow DraggedWindow(DisplayWindow start, std::int32_t right, std::int32_t up);

}  // namespace calyra
