// The output of a render: image and depth buffers and the display maximum.
#pragma once

#include <cstdint>
#include <vector>

namespace calyra {

inline constexpr int kBufferSide = 512;
inline constexpr std::size_t kBufferPixels = std::size_t{kBufferSide} * kBufferSide;

// Pixel (x, y), x the column and the major index, is element x * 512 + y;
// its three components sit at 3 * (x * 512 + y). Values are voxel-value
// units read as unsigned, 0 for background; the three are equal but for
// the colour renders.
struct RenderBuffers {
    std::vector<std::uint32_t> ImageBuffer = std::vector<std::uint32_t>(3 * kBufferPixels);
    // Depth of the ray at each pixel, indexed like the image: 1 + the step at
    // which the ray stopped, 0 when it took every step.
    std::vector<std::int32_t> DepthBuffer = std::vector<std::int32_t>(kBufferPixels);
    // 1.1 x the largest component of the last image area, truncated; 255
    // for colour images.
    std::int32_t displayMax = 0;
    // The image is a colour one (its type's rgb): red, green and blue shown
    // as they are.
    bool rgb = false;

    std::uint32_t& ImageAt(int x, int y) {
        return ImageBuffer[3 * (static_cast<std::size_t>(x) * kBufferSide + y)];
    }
    std::uint32_t ImageAt(int x, int y) const {
        return ImageBuffer[3 * (static_cast<std::size_t>(x) * kBufferSide + y)];
    }
    // The three components of pixel (x, y).
    const std::uint32_t* PixelAt(int x, int y) const {
        return &ImageBuffer[3 * (static_cast<std::size_t>(x) * kBufferSide + y)];
    }
    std::int32_t& DepthAt(int x, int y) {
        return DepthBuffer[static_cast<std::size_t>(x) * kBufferSide + y];
    }
    std::int32_t DepthAt(int x, int y) const {
        return DepthBuffer[static_cast<std::size_t>(x) * kBufferSide + y];
    }
};

}  // namespace calyra
