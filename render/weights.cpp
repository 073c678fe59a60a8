#include "render/weights.h"

namespace calyra {

std::int32_t TrilinearWeights[27][8];
std::int32_t trilinearDivisor = 8;
std::int32_t BilinearWeights[3][3][4];
std::int32_t bilinearDivisor = 1;

void BuildTrilinearWeights() {
    static const int offsets[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},
                                      {1, 1, 0}, {0, 1, 1}, {1, 0, 1}, {1, 1, 1}};
    for (int fx = 0; fx < 3; ++fx) {
        for (int fy = 0; fy < 3; ++fy) {
            for (int fz = 0; fz < 3; ++fz) {
                const int f[3] = {fx, fy, fz};
                for (int k = 0; k < 8; ++k) {
                    int w = 1;
                    for (int axis = 0; axis < 3; ++axis) {
                        w *= offsets[k][axis] ? f[axis] : 2 - f[axis];
                    }
                    TrilinearWeights[(fx * 3 + fy) * 3 + fz][k] = w;
                }
            }
        }
    }
    trilinearDivisor = 8;
}

void BuildBilinearWeights(int r) {
    for (int i = 0; i <= r && i < 3; ++i) {
        for (int j = 0; j <= r && j < 3; ++j) {
            BilinearWeights[i][j][0] = (r - i) * (r - j);
            BilinearWeights[i][j][1] = i * (r - j);
            BilinearWeights[i][j][2] = (r - i) * j;
            BilinearWeights[i][j][3] = i * j;
        }
    }
    bilinearDivisor = r * r;
}

}  // namespace calyra
