// The sampling rules of one render, with the store's layout resolved once:
// nearest-voxel or trilinear samples, central or half-voxel gradients, the
// mirrored upper half of z. SampleVolume, VolumeGradient and every ray of
// RenderImage go through here.
#pragma once

#include <cstdint>
#include <optional>

#include "geometry/vector_math.h"
#include "render/ray_cast.h"
#include "render/volume_cut.h"

namespace calyra {

struct VolumeStore;

// What a cell is looked up for: on the mirror's middle slice a sample reads
// the slice itself, a gradient the mirrored one.
enum class Lookup { Sample, Gradient };

// The trilinear weights are products of per-axis weights (2 - f, f), so
// the weighted sum factors into sums along z, then y, then x; these
// partial sums also give the gradient. Integer sums: the same numbers in
// any order. The byte store and the fine store share these, each with its
// own strides (voxel (x, y, z) at x * xs + y * ys + z).
struct Partials {
    std::int32_t z00, z01, z10, z11;  // along z, for x and y 0 or 1
    std::int32_t y0, y1;              // then along y, for x 0 or 1
    std::int32_t sum;                 // the weighted sum of the eight voxels
};

template <typename V>
inline Partials PartialSumsAt(const V* v, std::int64_t xs, std::int64_t ys, std::int32_t fx,
                              std::int32_t fy, std::int32_t fz) {
    const std::int32_t z0 = 2 - fz, z1 = fz;
    Partials q;
    q.z00 = z0 * v[0] + z1 * v[1];
    q.z01 = z0 * v[ys] + z1 * v[ys + 1];
    q.z10 = z0 * v[xs] + z1 * v[xs + 1];
    q.z11 = z0 * v[xs + ys] + z1 * v[xs + ys + 1];
    q.y0 = (2 - fy) * q.z00 + fy * q.z01;
    q.y1 = (2 - fy) * q.z10 + fy * q.z11;
    q.sum = (2 - fx) * q.y0 + fx * q.y1;
    return q;
}

// The difference of the weighted sums half a voxel apart: a half step
// along an axis changes the sum by the far face's bilinear sum minus
// the near face's. In the mirrored half the half step along the
// stored slices goes down: the same difference.
template <typename V>
inline Int3 GradientFromSumsAt(const V* v, std::int64_t xs, std::int64_t ys, std::int32_t fx,
                               std::int32_t fy, const Partials& q) {
    const std::int32_t x0 = 2 - fx, x1 = fx, y0 = 2 - fy, y1 = fy;
    const std::int32_t a000 = v[0], a001 = v[1], a010 = v[ys], a011 = v[ys + 1];
    const std::int32_t a100 = v[xs], a101 = v[xs + 1];
    const std::int32_t a110 = v[xs + ys], a111 = v[xs + ys + 1];
    return {q.y1 - q.y0, x0 * (q.z01 - q.z00) + x1 * (q.z11 - q.z10),
            x0 * (y0 * (a001 - a000) + y1 * (a011 - a010)) +
                x1 * (y0 * (a101 - a100) + y1 * (a111 - a110))};
}

// Central differences at the voxel v of slice iz. A mirrored last slice maps
// to slice 0; its lower neighbour is outside: 0.
template <typename V>
inline Int3 CentralGradientAt(const V* v, std::int64_t xs, std::int64_t ys, std::int32_t iz) {
    const std::int32_t below = iz >= 1 ? v[-1] : 0;
    return {std::int32_t{v[xs]} - v[-xs], std::int32_t{v[ys]} - v[-ys], std::int32_t{v[1]} - below};
}

struct VolumeSampler {
    const std::uint8_t* base = nullptr;  // voxel (x, y, z) at base + x*xStride + y*yStride + z
    std::int64_t xStride = 0;
    std::int64_t yStride = 0;
    std::int32_t dimX = 0, dimY = 0, dimZ = 0;  // published dims; origin is 0
    std::int32_t halfZ = 0;
    bool mirror = false;
    bool trilinear = false;
    const std::int32_t (*weights)[8] = nullptr;
    // A crop box or clip plane: cut positions are not inside.
    SampleCut cut;

    // Reads the store's layout and the weight table.
    static VolumeSampler FromStore(const VolumeStore& v, bool trilinear);
    // Cuts the volume by the box and the plane (either may be none).
    void CutBy(const std::optional<CropBox>& crop, const std::optional<ClipPlane>& clip) {
        cut = MakeSampleCut(crop, clip, Int3{dimX, dimY, dimZ});
    }

    struct Cell {
        std::int32_t ix, iy, iz;  // iz as mirrored
        std::int32_t rawZ;        // iz before mirroring
        std::int32_t fx, fy, fz;  // half-voxel position, fz as replaced
        std::int32_t corner;      // fx * 4 + fy * 2 + fz before mirroring; 0 without trilinear
        bool mirrored;
    };

    bool Mirrored(std::int32_t iz, Lookup lookup) const {
        return mirror && (lookup == Lookup::Gradient ? iz >= halfZ : iz > halfZ);
    }

    // Truncates p to a cell; false when the cell is not strictly inside or
    // the position is cut.
    bool Locate(const Point3& p, Cell& c, Lookup lookup) const {
        if (!LocateCell(p, c, lookup)) return false;
        if (trilinear) SetHalfVoxel(p, c);
        return true;
    }

    // Locate without the half-voxel position: corner is 0.
    bool LocateCell(const Point3& p, Cell& c, Lookup lookup) const {
        return cut.active ? LocateCellOf<true>(p, c, lookup) : LocateCellOf<false>(p, c, lookup);
    }

    // LocateCell for a march that knows whether there is a cut: without one
    // the bounds are the constant 1 and the dims, and nothing more is tested.
    template <bool kCut>
    bool LocateCellOf(const Point3& p, Cell& c, Lookup lookup) const {
        if constexpr (kCut) {
            if (!(p.x >= cut.low.x && p.y >= cut.low.y && p.z >= cut.low.z)) return false;
        } else {
            if (!(p.x >= 1.0f && p.y >= 1.0f && p.z >= 1.0f)) return false;
        }
        if (!(p.x < 2147483648.0f && p.y < 2147483648.0f && p.z < 2147483648.0f)) return false;
        const auto ix = static_cast<std::int32_t>(p.x);
        const auto iy = static_cast<std::int32_t>(p.y);
        const auto iz = static_cast<std::int32_t>(p.z);
        if constexpr (kCut) {
            if (ix >= cut.end.x || iy >= cut.end.y || iz >= cut.end.z) return false;
            if (cut.clip && !cut.KeepsPlane(p)) return false;
        } else {
            if (ix >= dimX || iy >= dimY || iz >= dimZ) return false;
        }
        c.mirrored = Mirrored(iz, lookup);
        c.ix = ix;
        c.iy = iy;
        c.rawZ = iz;
        c.iz = c.mirrored ? dimZ - 1 - iz : iz;
        // Read only with trilinear samples, which SetHalfVoxel then sets.
        c.fx = c.fy = c.fz = 0;
        c.corner = 0;
        return true;
    }

    // The rest of Locate with trilinear samples: the half-voxel position.
    void SetHalfVoxel(const Point3& p, Cell& c) const {
        c.fx = static_cast<std::int32_t>(2.0f * (p.x - static_cast<float>(c.ix)));
        c.fy = static_cast<std::int32_t>(2.0f * (p.y - static_cast<float>(c.iy)));
        c.fz = static_cast<std::int32_t>(2.0f * (p.z - static_cast<float>(c.rawZ)));
        c.corner = c.fx * 4 + c.fy * 2 + c.fz;
        if (c.mirrored) c.fz = 2 - c.fz;
    }

    // The cell Locate gives for a position in cell (ix, iy, iz) whose
    // half-voxel position is `corner` (fx * 4 + fy * 2 + fz, each 0 or 1).
    Cell CellAt(std::int32_t ix, std::int32_t iy, std::int32_t iz, std::int32_t corner,
                Lookup lookup) const {
        Cell c;
        c.mirrored = Mirrored(iz, lookup);
        c.ix = ix;
        c.iy = iy;
        c.rawZ = iz;
        c.iz = c.mirrored ? dimZ - 1 - iz : iz;
        c.corner = trilinear ? corner : 0;
        c.fx = c.corner >> 2;
        c.fy = (c.corner >> 1) & 1;
        c.fz = c.corner & 1;
        if (c.mirrored) c.fz = 2 - c.fz;
        return c;
    }

    const std::uint8_t* Voxel(std::int32_t x, std::int32_t y, std::int32_t z) const {
        return base + x * xStride + y * yStride + z;
    }

    // Weighted sum of the cell's eight voxels for the entry (fx, fy, fz).
    std::int32_t WeightedSum(const std::uint8_t* v000, std::int32_t fx, std::int32_t fy,
                             std::int32_t fz) const {
        const std::int32_t* w = weights[(fx * 3 + fy) * 3 + fz];
        const std::uint8_t* v100 = v000 + xStride;
        const std::uint8_t* v010 = v000 + yStride;
        const std::uint8_t* v110 = v100 + yStride;
        return w[0] * v000[0] + w[1] * v100[0] + w[2] * v010[0] + w[3] * v000[1] + w[4] * v110[0] +
               w[5] * v010[1] + w[6] * v100[1] + w[7] * v110[1];
    }

    using Partials = calyra::Partials;
    Partials PartialSums(const std::uint8_t* v, std::int32_t fx, std::int32_t fy,
                         std::int32_t fz) const {
        return PartialSumsAt(v, xStride, yStride, fx, fy, fz);
    }

    std::uint32_t SampleCell(const Cell& c) const {
        const std::uint8_t* v = Voxel(c.ix, c.iy, c.iz);
        if (!trilinear) return *v;
        return static_cast<std::uint32_t>(PartialSums(v, c.fx, c.fy, c.fz).sum) / 8u;
    }

    std::uint32_t Sample(const Point3& p) const {
        Cell c;
        return Locate(p, c, Lookup::Sample) ? SampleCell(c) : 0u;
    }

    Int3 Gradient(const Point3& p) const {
        Cell c;
        return Locate(p, c, Lookup::Gradient) ? GradientCell(c) : Int3{};
    }

    // c as Locate gives it for a gradient.
    Int3 GradientCell(const Cell& c) const {
        const std::uint8_t* v = Voxel(c.ix, c.iy, c.iz);
        if (!trilinear) return CentralGradientAt(v, xStride, yStride, c.iz);
        return GradientFromSums(v, c, PartialSums(v, c.fx, c.fy, c.fz));
    }

    // The trilinear gradient of cell c from its voxels v and their partial sums.
    Int3 GradientFromSums(const std::uint8_t* v, const Cell& c, const Partials& q) const {
        return GradientFromSumsAt(v, xStride, yStride, c.fx, c.fy, q);
    }
};

}  // namespace calyra
