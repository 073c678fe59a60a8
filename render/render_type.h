// The ways a ray turns its samples into a pixel, one row per type. The first
// three numbers are the ones the program has always used; the projections
// follow them.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "base/named_values.h"

namespace calyra {

enum class RenderType : std::int32_t {
    Surface = 0,
    Transparent = 1,
    Slice = 2,
    Maximum = 3,  // the largest counted sample along the ray
    Minimum = 4,  // the smallest counted sample
    Average = 5,  // the mean of the counted samples
    // Colour and opacity from the transfer function, composited front to back.
    Composite = 6,
};

// What the renderer needs to know of a type beside its sample rule.
struct RenderTypeTraits {
    RenderType type;
    // Samples that change nothing may be passed over (a Slice ray stops at
    // its first sample, so it has nothing to pass).
    bool skipsEmptySpace;
    // The vector-lane march serves it.
    bool vectorLanes;
    // The image is shaded from the depth buffer afterwards (with gradientShading).
    bool depthShading;
    // One of the types the T key steps through.
    bool stepped;
    // The image's three components are red, green and blue from 0 to 255,
    // shown as they are; the other types' are three equal values.
    bool rgb;
};

inline constexpr RenderTypeTraits kRenderTypeTraits[] = {
    {RenderType::Surface, true, true, true, true, false},
    {RenderType::Transparent, true, true, false, true, false},
    {RenderType::Slice, false, false, false, true, false},
    {RenderType::Maximum, true, true, false, false, false},
    {RenderType::Minimum, true, true, false, false, false},
    {RenderType::Average, true, true, false, false, false},
    {RenderType::Composite, true, false, false, false, true},
};

inline constexpr std::size_t kRenderTypeCount = std::size(kRenderTypeTraits);

// Names as view files and calyra-render's --type spell them.
using RenderTypeName = NamedValue<RenderType>;

inline constexpr RenderTypeName kRenderTypes[] = {
    {RenderType::Surface, "surface"},     {RenderType::Transparent, "transparent"},
    {RenderType::Slice, "slice"},         {RenderType::Maximum, "maximum"},
    {RenderType::Minimum, "minimum"},     {RenderType::Average, "average"},
    {RenderType::Composite, "composite"},
};

// Every table lists every type once, in enum order.
constexpr bool InEnumOrder() {
    if (std::size(kRenderTypes) != kRenderTypeCount) return false;
    for (std::size_t k = 0; k < kRenderTypeCount; ++k) {
        if (static_cast<std::size_t>(kRenderTypeTraits[k].type) != k) return false;
        if (static_cast<std::size_t>(kRenderTypes[k].value) != k) return false;
    }
    return true;
}
static_assert(InEnumOrder(), "one row per rendering type, in enum order");

// The row of a type; Surface's for a value outside the table.
constexpr const RenderTypeTraits& TraitsOf(RenderType type) {
    const auto k = static_cast<std::size_t>(type);
    return kRenderTypeTraits[k < kRenderTypeCount ? k : 0];
}

// The rendering type called name, if any.
inline std::optional<RenderType> FindRenderType(std::string_view name) {
    return FindNamed<RenderType>(kRenderTypes, name);
}

// The name of a rendering type; "" for a value outside the table.
inline const char* NameOf(RenderType type) {
    const char* name = NameIn<RenderType>(kRenderTypes, type);
    return name ? name : "";
}

inline std::ostream& operator<<(std::ostream& os, RenderType type) {
    return os << NameOf(type);
}

// The T key's order: the stepped types in table order, round again; from a
// type outside that cycle, the first stepped type.
constexpr RenderType NextRenderType(RenderType type) {
    const std::span<const RenderTypeTraits> rows = kRenderTypeTraits;
    RenderType first = rows[0].type;
    for (const RenderTypeTraits& row : rows) {
        if (row.stepped) {
            first = row.type;
            break;
        }
    }
    if (!TraitsOf(type).stepped || TraitsOf(type).type != type) return first;
    for (std::size_t k = static_cast<std::size_t>(type) + 1; k < rows.size(); ++k) {
        if (rows[k].stepped) return rows[k].type;
    }
    return first;
}

}  // namespace calyra
