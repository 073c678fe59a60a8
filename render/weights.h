// Interpolation weights, integer so that samples stay exact. Both sets are
// constants: nothing has to build them before a render.
#pragma once

#include <array>
#include <cstdint>

namespace calyra {

namespace weights_detail {

struct TrilinearTable {
    std::int32_t w[27][8];
};

constexpr TrilinearTable MakeTrilinearTable() {
    constexpr int offsets[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                   {1, 1, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}};
    TrilinearTable t{};
    for (int fx = 0; fx < 3; ++fx) {
        for (int fy = 0; fy < 3; ++fy) {
            for (int fz = 0; fz < 3; ++fz) {
                const int f[3] = {fx, fy, fz};
                for (int k = 0; k < 8; ++k) {
                    int w = 1;
                    for (int axis = 0; axis < 3; ++axis) {
                        w *= offsets[k][axis] ? f[axis] : 2 - f[axis];
                    }
                    t.w[(fx * 3 + fy) * 3 + fz][k] = w;
                }
            }
        }
    }
    return t;
}

inline constexpr TrilinearTable kTrilinearTable = MakeTrilinearTable();

}  // namespace weights_detail

// Trilinear weights of the eight cell voxels for half-voxel positions
// (fx, fy, fz) in {0, 1, 2}; entry index (fx * 3 + fy) * 3 + fz. Voxel order:
// (0,0,0) (1,0,0) (0,1,0) (0,0,1) (1,1,0) (0,1,1) (1,0,1) (1,1,1). Each entry
// sums to 8.
inline constexpr const std::int32_t (&TrilinearWeights)[27][8] = weights_detail::kTrilinearTable.w;

// Bilinear weights of the four ray pixels around offset (i, j) (column, row)
// of an r x r block; corner order (0,0) (r,0) (0,r) (r,r). They sum to r * r.
constexpr std::array<std::int32_t, 4> BilinearWeights(int i, int j, int r) {
    return {(r - i) * (r - j), i * (r - j), (r - i) * j, i * j};
}

}  // namespace calyra
