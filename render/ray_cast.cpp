#include "render/ray_cast.h"

#include <cmath>

#include "render/settings.h"
#include "volume/volume_store.h"

namespace calyra {
namespace {

// Truncates a coordinate toward zero; false when it cannot be a cell index.
inline bool Truncate(float c, std::int32_t& i) {
    if (!(c > -2147483648.0f && c < 2147483648.0f)) return false;
    i = static_cast<std::int32_t>(c);
    return true;
}

struct Cell {
    std::int32_t ix, iy, iz;  // iz as mirrored
    std::int32_t fx, fy, fz;  // half-voxel position, fz as replaced
    bool mirrored;
};

// Cell lookup shared by the sampler and the gradient. upperFromHalf selects
// the mirror test: iz > dimZ/2 for samples, iz >= dimZ/2 for gradients.
inline bool LocateCell(const Point3& p, bool gradient, Cell& cell) {
    const VolumeStore& v = VoxelVolume;
    std::int32_t ix, iy, iz;
    if (!Truncate(p.x, ix) || !Truncate(p.y, iy) || !Truncate(p.z, iz)) return false;
    if (!(v.origin.x < ix && ix < v.dims.x && v.origin.y < iy && iy < v.dims.y &&
          v.origin.z < iz && iz < v.dims.z)) {
        return false;
    }
    const std::int32_t half = v.dims.z / 2;
    cell.mirrored = v.mirrorZ != 0 && (gradient ? iz >= half : iz > half);
    cell.ix = ix;
    cell.iy = iy;
    cell.iz = cell.mirrored ? v.dims.z - 1 - iz : iz;
    if (interpolate) {
        cell.fx = static_cast<std::int32_t>(2.0f * (p.x - static_cast<float>(ix)));
        cell.fy = static_cast<std::int32_t>(2.0f * (p.y - static_cast<float>(iy)));
        cell.fz = static_cast<std::int32_t>(2.0f * (p.z - static_cast<float>(iz)));
        if (cell.mirrored) cell.fz = 2 - cell.fz;
    } else {
        cell.fx = cell.fy = cell.fz = 0;
    }
    return true;
}

// The eight voxels of a cell in the weight tables' order.
inline void CellVoxels(const Cell& c, std::int32_t out[8]) {
    std::uint8_t** const* vox = VoxelVolume.voxels;
    const std::uint8_t* r00 = vox[c.ix][c.iy];
    const std::uint8_t* r10 = vox[c.ix + 1][c.iy];
    const std::uint8_t* r01 = vox[c.ix][c.iy + 1];
    const std::uint8_t* r11 = vox[c.ix + 1][c.iy + 1];
    const std::int32_t z = c.iz;
    out[0] = r00[z];
    out[1] = r10[z];
    out[2] = r01[z];
    out[3] = r00[z + 1];
    out[4] = r11[z];
    out[5] = r01[z + 1];
    out[6] = r10[z + 1];
    out[7] = r11[z + 1];
}

inline std::int32_t WeightedSum(const std::int32_t voxels[8], std::int32_t fx, std::int32_t fy,
                                std::int32_t fz) {
    const std::int32_t* w = TrilinearWeights[(fx * 3 + fy) * 3 + fz];
    std::int32_t sum = 0;
    for (int k = 0; k < 8; ++k) sum += w[k] * voxels[k];
    return sum;
}

}  // namespace

std::uint32_t SampleVolume(const Point3& p) {
    Cell c;
    if (!LocateCell(p, false, c)) return 0;
    if (!interpolate) return VoxelVolume.voxels[c.ix][c.iy][c.iz];
    std::int32_t vox[8];
    CellVoxels(c, vox);
    return static_cast<std::uint32_t>(WeightedSum(vox, c.fx, c.fy, c.fz)) /
           static_cast<std::uint32_t>(trilinearDivisor);
}

GradientI VolumeGradient(const Point3& p) {
    Cell c;
    if (!LocateCell(p, true, c)) return {};
    const VolumeStore& v = VoxelVolume;
    if (!interpolate) {
        const std::uint8_t* row = v.voxels[c.ix][c.iy];
        // A mirrored last slice maps to slice 0, whose lower neighbour is outside: 0.
        const std::int32_t below = c.iz >= 1 ? row[c.iz - 1] : 0;
        return {std::int32_t{v.voxels[c.ix + 1][c.iy][c.iz]} - v.voxels[c.ix - 1][c.iy][c.iz],
                std::int32_t{v.voxels[c.ix][c.iy + 1][c.iz]} - v.voxels[c.ix][c.iy - 1][c.iz],
                std::int32_t{row[c.iz + 1]} - below};
    }
    std::int32_t vox[8];
    CellVoxels(c, vox);
    const std::int32_t s0 = WeightedSum(vox, c.fx, c.fy, c.fz);
    const std::int32_t sx = WeightedSum(vox, c.fx + 1, c.fy, c.fz);
    const std::int32_t sy = WeightedSum(vox, c.fx, c.fy + 1, c.fz);
    if (c.mirrored) {
        // Along the stored slices: the half step goes down in the mirrored half.
        const std::int32_t sz = WeightedSum(vox, c.fx, c.fy, c.fz - 1);
        return {sx - s0, sy - s0, s0 - sz};
    }
    const std::int32_t sz = WeightedSum(vox, c.fx, c.fy, c.fz + 1);
    return {sx - s0, sy - s0, sz - s0};
}

std::uint32_t DepthCuedBrightness(std::uint32_t i, const Point3& p, std::int32_t stepCount) {
    const VolumeStore& v = VoxelVolume;
    const auto k1 = static_cast<std::int64_t>(static_cast<float>(v.maxValue) * 0.33333334f);
    const auto k2 = static_cast<std::int64_t>(static_cast<float>(v.maxValue) * 0.11111111f);
    const float sum = p.x + p.y + p.z;
    std::int64_t s = 0;
    if (sum > -9.0e18f && sum < 9.0e18f) s = static_cast<std::int64_t>(sum);
    const std::int64_t size = v.size;
    // Wide integers keep the formula's meaning for any maxValue.
    std::int64_t b = (size != 0 ? (3 * size - s) * k1 / size : 0) + k2;
    if (stepCount > 0) b -= static_cast<std::int64_t>(std::uint64_t{i} * std::uint64_t(k2) /
                                                      std::uint64_t(stepCount));
    if (b < 0) return 0;
    return b > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(b);
}

RayResult CastRay(Point3 origin, const Point3& rayDir, const Point3& lightHalfway,
                  std::int32_t stepCount, std::int32_t type) {
    const VolumeStore& v = VoxelVolume;
    const float maxValue = static_cast<float>(v.maxValue);
    const float hitLevel = threshold * maxValue;
    const float shadeLevel = 0.1f * maxValue;
    Point3 p = origin;
    std::uint32_t acc = 0;
    float t = 1.0f;
    for (std::uint32_t i = 0; static_cast<std::int64_t>(i) < stepCount; ++i) {
        p.x += rayDir.x;
        p.y += rayDir.y;
        p.z += rayDir.z;
        const std::uint32_t sample = SampleVolume(p);
        switch (type) {
            case Surface:
                if (static_cast<float>(sample) > hitLevel) {
                    // The first two samples show the data itself: a cut surface.
                    acc = i < 2 ? sample : DepthCuedBrightness(i, p, stepCount);
                    return {acc, static_cast<std::int32_t>(i + 1)};
                }
                break;
            case Transparent:
                if (threshold == 0.0f) {
                    acc += sample;
                    break;
                }
                if (t < 0.0f) return {acc, static_cast<std::int32_t>(i + 1)};
                {
                    const GradientI g = VolumeGradient(p);
                    const std::int64_t g2wide = std::int64_t{g.x} * g.x +
                                                std::int64_t{g.y} * g.y + std::int64_t{g.z} * g.z;
                    const auto g2 = static_cast<std::uint32_t>(g2wide);
                    if (g2 == 0 || !(static_cast<float>(sample) > shadeLevel)) break;
                    const float dot = lightHalfway.x * static_cast<float>(g.x) +
                                      lightHalfway.y * static_cast<float>(g.y) +
                                      lightHalfway.z * static_cast<float>(g.z);
                    const float w = (1.0f - dot / std::sqrt(static_cast<float>(g2))) * 0.5f;
                    const std::uint32_t b = DepthCuedBrightness(i, p, stepCount);
                    const float add = static_cast<float>(b) * t * w;
                    // Truncated toward zero; added with the wrap of 32-bit unsigned sums.
                    if (add > -9.0e18f && add < 9.0e18f) {
                        acc += static_cast<std::uint32_t>(static_cast<std::int64_t>(add));
                    }
                    t = t - threshold * w;
                }
                break;
            case Slice:
                return {sample, static_cast<std::int32_t>(i + 1)};
            default:
                break;
        }
    }
    return {acc, 0};
}

}  // namespace calyra
