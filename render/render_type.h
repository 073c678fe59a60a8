// The three ways a ray turns its samples into a pixel, by name. The numbers
// are the ones the program has always used: the menu items and View panel
// buttons run in this order.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>

#include "base/named_values.h"

namespace calyra {

enum class RenderType : std::int32_t { Surface = 0, Transparent = 1, Slice = 2 };

// Names as view files and calyra-render's --type spell them.
using RenderTypeName = NamedValue<RenderType>;

inline constexpr RenderTypeName kRenderTypes[] = {
    {RenderType::Surface, "surface"},
    {RenderType::Transparent, "transparent"},
    {RenderType::Slice, "slice"},
};

// The rendering type called name, if any.
inline std::optional<RenderType> FindRenderType(std::string_view name) {
    return FindNamed<RenderType>(kRenderTypes, name);
}

// The name of a rendering type; "" for a value outside the three.
inline const char* NameOf(RenderType type) {
    const char* name = NameIn<RenderType>(kRenderTypes, type);
    return name ? name : "";
}

inline std::ostream& operator<<(std::ostream& os, RenderType type) {
    return os << NameOf(type);
}

// The T key's order: Surface, Transparent, Slice, Surface again.
inline RenderType NextRenderType(RenderType type) {
    return static_cast<RenderType>((static_cast<std::int32_t>(type) + 1) % 3);
}

}  // namespace calyra
