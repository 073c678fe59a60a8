// Render settings, output buffers and weight tables shared by the program.
#pragma once

#include <cstdint>

namespace calyra {

enum RenderType : std::int32_t { Surface = 0, Transparent = 1, Slice = 2 };

// Settings the user changes; RenderImage reads them once at its start.
extern std::int32_t renderType;  // a RenderType value
extern float threshold;          // fraction 0..1 of maxValue
extern bool interpolate;         // half-voxel steps, trilinear samples, twice the rays
extern bool gradientShading;     // depth shading after a Surface render
extern bool stereo;              // show a stereo pair
// The one way to ask for a new image: set it and invalidate the render window.
extern bool renderPending;

// Toggle rule for boolean settings: 0 if it was 1, else 1.
inline bool Toggled(bool value) { return !value; }

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

inline std::uint32_t& ImageAt(int x, int y) { return ImageBuffer[3 * (x * kBufferSide + y)]; }
inline std::int32_t& DepthAt(int x, int y) { return DepthBuffer[x * kBufferSide + y]; }

// Trilinear weights of the eight cell voxels for half-voxel positions
// (fx, fy, fz) in {0, 1, 2}; entry index (fx * 3 + fy) * 3 + fz. Voxel order:
// (0,0,0) (1,0,0) (0,1,0) (0,0,1) (1,1,0) (0,1,1) (1,0,1) (1,1,1).
extern std::int32_t TrilinearWeights[27][8];
extern std::int32_t trilinearDivisor;
// Bilinear weights of the four ray pixels of an r x r block, indexed
// [i][j] (column offset, row offset); corner order (0,0) (r,0) (0,r) (r,r).
extern std::int32_t BilinearWeights[3][3][4];
extern std::int32_t bilinearDivisor;

void BuildTrilinearWeights();
void BuildBilinearWeights(int r);

}  // namespace calyra
