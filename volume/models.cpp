#include "volume/models.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "base/worker_pool.h"
#include "volume/head_loader.h"
#include "volume/volume_store.h"

namespace calyra {

// The functions work in single precision throughout.
float HyperboloidFunction(float x, float y, float z) {
    return x * x + y * y - 0.25f * z * z - 1.0f;
}

float ConeFunction(float x, float y, float z) {
    return x * x + y * y - 0.5f * z * z;
}

float MonkeySaddleFunction(float x, float y, float z) {
    return (3.0f * x * x - y * y) * y + z;
}

namespace {

// The classification with the function known at compile time, so that the
// eight evaluations inline; the arithmetic is the same as through a pointer.
template <typename F>
std::int32_t Classify(float x, float y, float z, float dx, float dy, float dz, std::int32_t lo,
                      std::int32_t hi, F f) {
    const float xs[2] = {x, x + dx};
    const float ys[2] = {y, y + dy};
    const float zs[2] = {z, z + dz};
    int positive = 0, negative = 0, zero = 0;
    for (float cx : xs) {
        for (float cy : ys) {
            for (float cz : zs) {
                const float v = f(cx, cy, cz);
                if (v > 1e-7) {
                    ++positive;
                } else if (v < -1e-7) {
                    ++negative;
                } else {
                    ++zero;
                }
            }
        }
    }
    float a, b;
    if (positive > 0 && negative > 0) {
        a = static_cast<float>(positive) + static_cast<float>(zero) * 0.5f;
        b = static_cast<float>(negative) + static_cast<float>(zero) * 0.5f;
    } else if (zero == 0) {
        return 0;
    } else {
        a = static_cast<float>(zero);
        b = static_cast<float>(8 - zero);
    }
    const float r = (a == b) ? 1.0f : std::min(a, b) / std::max(a, b);
    const float value = static_cast<float>(lo) * (1.0f - r) + static_cast<float>(hi) * r;
    return static_cast<std::int32_t>(std::ceil(value));
}

template <typename F>
void Voxelize(VolumeStore& v, std::int32_t lo, std::int32_t hi, float xLow, float xHigh, float yLow,
              float yHigh, float zLow, float zHigh, std::int32_t n, F f) {
    if (n <= 0) return;
    const float fn = static_cast<float>(n);
    const float dx = (xLow + xHigh) / fn;
    const float dy = (yLow + yHigh) / fn;
    const float dz = (zLow + zHigh) / fn;
    if (!v.voxels) return;
    // Never write past the store, whatever n is.
    const std::int32_t nx = std::min(n, v.allocated.x + 1);
    const std::int32_t ny = std::min(n, v.allocated.y + 1);
    const std::int32_t nz = std::min(n, v.allocated.z + 1);
    // Cells are independent: planes of i run on the worker threads.
    ParallelFor(nx, [&](std::int32_t i) {
        const float x = static_cast<float>(i) * dx - xLow;
        for (std::int32_t j = 0; j < ny; ++j) {
            const float y = static_cast<float>(j) * dy - yLow;
            std::uint8_t* row = v.voxels[i][j];
            for (std::int32_t k = 0; k < nz; ++k) {
                const float z = static_cast<float>(k) * dz - zLow;
                const std::int32_t value = Classify(x, y, z, dx, dy, dz, lo, hi, f);
                if (value != 0) row[k] = static_cast<std::uint8_t>(value);
            }
        }
    });
}

}  // namespace

std::int32_t ClassifyCell(float x, float y, float z, float dx, float dy, float dz, std::int32_t lo,
                          std::int32_t hi, ImplicitFunction f) {
    return Classify(x, y, z, dx, dy, dz, lo, hi, f);
}

void VoxelizeImplicit(VolumeStore& v, std::int32_t lo, std::int32_t hi, float xLow, float xHigh,
                      float yLow, float yHigh, float zLow, float zHigh, std::int32_t n,
                      ImplicitFunction f) {
    // The built-in surfaces get their inlined variants.
    if (f == ConeFunction) {
        Voxelize(v, lo, hi, xLow, xHigh, yLow, yHigh, zLow, zHigh, n,
                 [](float x, float y, float z) { return ConeFunction(x, y, z); });
    } else if (f == HyperboloidFunction) {
        Voxelize(v, lo, hi, xLow, xHigh, yLow, yHigh, zLow, zHigh, n,
                 [](float x, float y, float z) { return HyperboloidFunction(x, y, z); });
    } else if (f == MonkeySaddleFunction) {
        Voxelize(v, lo, hi, xLow, xHigh, yLow, yHigh, zLow, zHigh, n,
                 [](float x, float y, float z) { return MonkeySaddleFunction(x, y, z); });
    } else {
        Voxelize(v, lo, hi, xLow, xHigh, yLow, yHigh, zLow, zHigh, n, f);
    }
}

void BuildMathModel(VolumeStore& v, ModelType model) {
    // Every surface is voxelised over a cube -half..half on each axis, into 75..255.
    const auto surface = [&v](float half, std::int32_t n, ImplicitFunction f) {
        VoxelizeImplicit(v, 75, 255, half, half, half, half, half, half, n, f);
    };
    switch (model) {
        case ModelType::Hyperboloid:
            surface(8.0f, 127, HyperboloidFunction);
            break;
        case ModelType::Cone:
            surface(30.0f, 127, ConeFunction);
            break;
        case ModelType::Monkey:
            surface(3.0f, 64, MonkeySaddleFunction);
            break;
        case ModelType::Combined:
            surface(3.0f, 64, MonkeySaddleFunction);
            surface(30.0f, 64, ConeFunction);
            break;
        // Not mathematical models: their builders are the ball's and the head's.
        case ModelType::Ball:
        case ModelType::Head:
        case ModelType::Import:
            break;
    }
}

void DrawBallShell(VolumeStore& v, std::int32_t cx, std::int32_t cy, std::int32_t cz,
                   std::int32_t r) {
    if (!v.voxels) return;
    auto inStore = [&](std::int32_t x, std::int32_t y, std::int32_t z) {
        return x >= 0 && y >= 0 && z >= 0 && x <= v.allocated.x && y <= v.allocated.y &&
               z <= v.allocated.z;
    };
    auto pass = [&](std::int32_t from, std::int32_t to, std::int32_t radius, std::uint8_t value) {
        for (std::int32_t x = cx - r + from; x <= cx + r - to; ++x) {
            for (std::int32_t y = cy - r + from; y <= cy + r - to; ++y) {
                for (std::int32_t z = cz - r + from; z <= cz + r - to; ++z) {
                    const std::int32_t d2 =
                        (cx - x) * (cx - x) + (cy - y) * (cy - y) + (cz - z) * (cz - z);
                    if (d2 <= radius * radius && inStore(x, y, z)) v.voxels[x][y][z] = value;
                }
            }
        }
    };
    // Fill the ball, then hollow it out, leaving a shell about two voxels thick.
    pass(1, 0, r, 150);
    pass(2, 1, r - 2, 0);
}

void BuildBallModel(VolumeStore& v, std::int32_t e) {
    const std::int32_t c = e / 2;
    const auto head = static_cast<std::int32_t>(e * 0.4347826086956522);
    const auto eye = static_cast<std::int32_t>(e * 0.15873015873015872);
    const auto ear = static_cast<std::int32_t>(e * 0.20833333333333334);
    const auto earZ = static_cast<std::int32_t>(e * 0.6666666666666666);
    DrawBallShell(v, c, c, c, head);
    DrawBallShell(v, 2 * e / 3, c + e / 6, c, eye);
    DrawBallShell(v, e / 3, c + e / 6, c, eye);
    DrawBallShell(v, 3 * e / 4, e / 4, earZ, ear);
    DrawBallShell(v, e / 4, e / 4, earZ, ear);
}

VolumeSource SourceForModel(ModelType model) {
    switch (model) {
        case ModelType::Head:
        case ModelType::Import:
            return VolumeSource::Head;
        case ModelType::Hyperboloid:
        case ModelType::Cone:
            return VolumeSource::LargeMath;
        case ModelType::Monkey:
        case ModelType::Combined:
            return VolumeSource::SmallMath;
        case ModelType::Ball:
            return VolumeSource::Ball;
    }
    // A stored number outside the enum builds the ball, as the program always has.
    return VolumeSource::Ball;
}

bool BuildVolume(VolumeStore& v, ModelType model) {
    SetBusy(true);
    std::int32_t n = 64;
    bool allocated = false;
    switch (v.source) {
        case VolumeSource::Head:
            n = 128;
            allocated = AllocateVolume(v, n, n, n) != 0;
            if (allocated) {
                v.size = 128;
                v.mirrorZ = 1;
                LoadHeadVolume(v);
            }
            break;
        case VolumeSource::LargeMath:
        case VolumeSource::SmallMath:
            n = v.source == VolumeSource::LargeMath ? 128 : 64;
            allocated = AllocateVolume(v, n, n, n) != 0;
            if (allocated) {
                v.size = n;
                v.maxValue = 256;
                v.mirrorZ = 0;
                BuildMathModel(v, model);
            }
            break;
        case VolumeSource::Ball:
            allocated = AllocateVolume(v, n, n, n) != 0;
            if (allocated) {
                v.mirrorZ = 0;
                BuildBallModel(v, 64);
                v.maxValue = 256;
            }
            break;
    }
    if (allocated) {
        PublishShape(v, n, n, n, n);
        FineFromBytes(v);
    } else {
        ReportAllocationFailure();
    }
    SetBusy(false);
    return allocated;
}

}  // namespace calyra
