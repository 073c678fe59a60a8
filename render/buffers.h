// The output of a render: image and depth buffers and the display maximum.
#pragma once

#include <cstdint>

namespace calyra {

inline constexpr int kBufferSide = 512;

// Pixel (x, y), x the column and the major index, is element x * 512 + y;
// its three equal components sit at 3 * (x * 512 + y). Values are voxel-value
// units read as unsigned, 0 for background.
extern std::uint32_t ImageBuffer[kBufferSide * kBufferSide * 3];
// Depth of the ray at each pixel, indexed like the image: 1 + the step at
// which the ray stopped, 0 when it took every step.
extern std::int32_t DepthBuffer[kBufferSide * kBufferSide];
// 1.1 x the largest component of the last image area, truncated.
extern std::int32_t displayMax;

inline std::uint32_t& ImageAt(int x, int y) {
    return ImageBuffer[3 * (x * kBufferSide + y)];
}
inline std::int32_t& DepthAt(int x, int y) {
    return DepthBuffer[x * kBufferSide + y];
}

}  // namespace calyra
