// Interpolation weight tables, integer so that samples stay exact.
#pragma once

#include <cstdint>

namespace calyra {

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
