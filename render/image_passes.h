// Passes over finished buffers: bilinear gap filling between ray pixels and
// the depth-shading of Surface images.
#pragma once

#include <cstdint>

#include "base/int3.h"

namespace calyra {

// Fills the r x r blocks between ray pixels (pixels at multiples of r).
// components 1: the three components of every pixel are equal, the first
// is filled and copied; 3: each is filled on its own (colour images).
void FillImageGaps(std::uint32_t* image, int a, int b, int r, int components = 1);
void FillDepthGaps(std::int32_t* depth, int a, int b, int r);

// Adds maxValue x s to every hit pixel (maxValue the volume's), s from a
// normal estimated out of the eight neighbours' depths (h apart); L is the
// reference point.
void ShadeFromDepth(std::uint32_t* image, const std::int32_t* depth, std::uint32_t maxValue, Int3 L,
                    Int3 viewAxis, Int3 columnAxis, Int3 rowAxis, int a, int b, int r, int h);

}  // namespace calyra
