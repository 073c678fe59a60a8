// From image values to grey levels, as the render window shows them.
#pragma once

#include <cstdint>

namespace calyra {

// k = 255 / displayMax, divided in double and held as a float; 0 counts as 1.
inline float GreyScale(std::int32_t displayMaxValue) {
    const std::int32_t d = displayMaxValue == 0 ? 1 : displayMaxValue;
    return static_cast<float>(255.0 / static_cast<double>(d));
}

// Low byte of trunc(v x k).
inline std::uint8_t GreyLevel(std::uint32_t v, float k) {
    const float g = static_cast<float>(v) * k;
    if (!(g > -9.0e18f && g < 9.0e18f)) return 0;
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(g) & 0xFF);
}

}  // namespace calyra
