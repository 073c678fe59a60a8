#include "render/image_passes.h"

#include <cstdlib>

#include "base/worker_pool.h"
#include "render/buffers.h"
#include "render/weights.h"

namespace calyra {
namespace {

// The weighted sum is formed and divided in signed 32-bit arithmetic; wide
// products wrap to 32 bits as that arithmetic would.
inline std::int32_t Blend(std::int32_t c0, std::int32_t c1, std::int32_t c2, std::int32_t c3,
                          const std::int32_t w[4], std::int32_t divisor) {
    const std::int64_t sum = std::int64_t{w[0]} * c0 + std::int64_t{w[1]} * c1 +
                             std::int64_t{w[2]} * c2 + std::int64_t{w[3]} * c3;
    const auto wrapped = static_cast<std::int32_t>(static_cast<std::uint32_t>(sum));
    if (wrapped == INT32_MIN && divisor == -1) return wrapped;
    return wrapped / divisor;
}

// Visits the blocks Y outer, X inner; inside a block the column offset i is
// outer. Every value is read from the buffer as it stands at that moment.
template <typename Get, typename Set>
void FillGaps(int a, int b, int r, Get get, Set set) {
    if (r <= 1) return;
    const std::int32_t divisor = r * r;
    for (int y = 0; y < (b - 1) * r; y += r) {
        for (int x = 0; x < (a - 1) * r; x += r) {
            for (int i = 0; i < r; ++i) {
                for (int j = 0; j < r; ++j) {
                    set(x + i, y + j,
                        Blend(get(x, y), get(x + r, y), get(x, y + r), get(x + r, y + r),
                              BilinearWeights(i, j, r).data(), divisor));
                }
            }
        }
    }
}

inline int Sign(std::int32_t v) {
    return (v > 0) - (v < 0);
}

}  // namespace

namespace {

// One component of the gap filling: component k, or all three alike.
void FillComponentGaps(std::uint32_t* image, int a, int b, int r, int k, bool alike) {
    auto get = [&](int x, int y) {
        return static_cast<std::int32_t>(image[3 * (x * kBufferSide + y) + k]);
    };
    auto set = [&](int x, int y, std::int32_t value) {
        std::uint32_t* pixel = image + 3 * (x * kBufferSide + y);
        if (alike) {
            pixel[0] = pixel[1] = pixel[2] = static_cast<std::uint32_t>(value);
        } else {
            pixel[k] = static_cast<std::uint32_t>(value);
        }
    };
    // With every ray value below 2^29 no weighted sum wraps, so the block
    // corners come out unchanged and the rows of blocks are independent.
    bool small = true;
    for (int x = 0; x < a * r && small; x += r) {
        for (int y = 0; y < b * r; y += r) {
            if (image[3 * (x * kBufferSide + y) + k] >= (1u << 29)) {
                small = false;
                break;
            }
        }
    }
    if (!small || r != 2) {
        FillGaps(a, b, r, get, set);
        return;
    }
    // Blocks only read their corners, which no block writes: columns of
    // blocks run in parallel, each down its buffer column.
    ParallelFor(a - 1, [&](std::int32_t blockColumn) {
        const int x = blockColumn * 2;
        for (int y = 0; y < (b - 1) * 2; y += 2) {
            const std::int32_t c0 = get(x, y), c1 = get(x + 2, y), c2 = get(x, y + 2),
                               c3 = get(x + 2, y + 2);
            auto blend = [&](int i, int j) {
                return Blend(c0, c1, c2, c3, BilinearWeights(i, j, 2).data(), 4);
            };
            // The corner itself stays.
            set(x, y + 1, blend(0, 1));
            set(x + 1, y, blend(1, 0));
            set(x + 1, y + 1, blend(1, 1));
        }
    });
}

}  // namespace

void FillImageGaps(std::uint32_t* image, int a, int b, int r, int components) {
    if (r <= 1) return;
    if (components != 3) {
        FillComponentGaps(image, a, b, r, 0, true);
        return;
    }
    for (int k = 0; k < 3; ++k) FillComponentGaps(image, a, b, r, k, false);
}

void FillDepthGaps(std::int32_t* depth, int a, int b, int r) {
    auto get = [&](int x, int y) { return depth[x * kBufferSide + y]; };
    auto set = [&](int x, int y, std::int32_t value) { depth[x * kBufferSide + y] = value; };
    FillGaps(a, b, r, get, set);
}

void ShadeFromDepth(std::uint32_t* image, const std::int32_t* depth, std::uint32_t volumeMax,
                    Int3 L, Int3 viewAxis, Int3 columnAxis, Int3 rowAxis, int a, int b, int r,
                    int h) {
    // Neighbours outside the buffers read as misses.
    auto depthAt = [&](int x, int y) -> std::int32_t {
        if (x < 0 || y < 0 || x >= kBufferSide || y >= kBufferSide) return 0;
        return depth[x * kBufferSide + y];
    };
    const float maxValue = static_cast<float>(volumeMax);
    const int width = a * r, height = b * r;
    // Pixels only read depths and write their own value: rows run in parallel.
    ParallelFor(height > r ? height - r : 0, [&](std::int32_t row) {
        const int y = r + row;
        for (int x = r; x < width; ++x) {
            const std::int32_t d0 = depthAt(x, y);
            if (d0 == 0) continue;
            auto delta = [&](int dx, int dy) { return d0 - depthAt(x + dx * h, y + dy * h); };
            const std::int32_t dmm = delta(-1, -1), d0m = delta(0, -1), dpm = delta(1, -1);
            const std::int32_t dm0 = delta(-1, 0), dp0 = delta(1, 0);
            const std::int32_t dmp = delta(-1, 1), d0p = delta(0, 1), dpp = delta(1, 1);
            const std::int32_t gX =
                Sign(dpm) + Sign(dp0) + Sign(dpp) - Sign(dmm) - Sign(dm0) - Sign(dmp);
            const std::int32_t gY =
                Sign(dmp) + Sign(d0p) + Sign(dpp) - Sign(dmm) - Sign(d0m) - Sign(dpm);
            // The next row's neighbour has no part in gZ, the right one counts twice.
            const std::int64_t zSum = 2 * std::int64_t{dp0} + dmm + d0m + dpm + dm0 + dmp + dpp;
            const auto gZ = static_cast<std::int32_t>(0.25f * static_cast<float>(zSum));
            std::int32_t n[3] = {gX * columnAxis.x + gY * rowAxis.x - gZ * viewAxis.x,
                                 gX * columnAxis.y + gY * rowAxis.y - gZ * viewAxis.y,
                                 gX * columnAxis.z + gY * rowAxis.z - gZ * viewAxis.z};
            std::int32_t m = 0;
            for (std::int32_t c : n) m = std::abs(c) > m ? std::abs(c) : m;
            const float scale = static_cast<float>(m) * 0.0625f;
            if (scale != 0.0f) {
                for (std::int32_t& c : n) {
                    c = static_cast<std::int32_t>(static_cast<float>(c) / scale);
                }
            } else {
                n[0] = n[1] = n[2] = 0;
            }
            const std::int64_t distance = std::abs(std::int64_t{n[0]} - L.x) +
                                          std::abs(std::int64_t{n[1]} - L.y) +
                                          std::abs(std::int64_t{n[2]} - L.z);
            const float s = static_cast<float>(distance) * 0.0046296297f;
            const auto term = static_cast<std::uint32_t>(maxValue * s);
            std::uint32_t* pixel = image + 3 * (x * kBufferSide + y);
            pixel[0] += term;
            pixel[1] += term;
            pixel[2] += term;
        }
    });
}

}  // namespace calyra
