// The sampling rules of one render, with the store's layout resolved once:
// nearest-voxel or trilinear samples, central or half-voxel gradients, the
// mirrored upper half of z. SampleVolume, VolumeGradient and every ray of
// RenderImage go through here.
#pragma once

#include <cstdint>

#include "geometry/vector_math.h"
#include "render/ray_cast.h"

namespace calyra {

struct VolumeSampler {
    const std::uint8_t* base = nullptr;  // voxel (x, y, z) at base + x*xStride + y*yStride + z
    std::int64_t xStride = 0;
    std::int64_t yStride = 0;
    std::int32_t dimX = 0, dimY = 0, dimZ = 0;  // published dims; origin is 0
    std::int32_t halfZ = 0;
    bool mirror = false;
    bool trilinear = false;
    const std::int32_t (*weights)[8] = nullptr;

    // Reads the current store, settings and weight table.
    static VolumeSampler FromCurrentVolume();

    struct Cell {
        std::int32_t ix, iy, iz;  // iz as mirrored
        std::int32_t rawZ;        // iz before mirroring
        std::int32_t fx, fy, fz;  // half-voxel position, fz as replaced
        bool mirrored;
    };

    // Truncates p to a cell; false when the cell is not strictly inside.
    bool Locate(const Point3& p, Cell& c, bool gradient) const {
        if (!(p.x >= 1.0f && p.y >= 1.0f && p.z >= 1.0f)) return false;
        if (!(p.x < 2147483648.0f && p.y < 2147483648.0f && p.z < 2147483648.0f)) return false;
        const auto ix = static_cast<std::int32_t>(p.x);
        const auto iy = static_cast<std::int32_t>(p.y);
        const auto iz = static_cast<std::int32_t>(p.z);
        if (ix >= dimX || iy >= dimY || iz >= dimZ) return false;
        c.mirrored = mirror && (gradient ? iz >= halfZ : iz > halfZ);
        c.ix = ix;
        c.iy = iy;
        c.rawZ = iz;
        c.iz = c.mirrored ? dimZ - 1 - iz : iz;
        if (trilinear) {
            c.fx = static_cast<std::int32_t>(2.0f * (p.x - static_cast<float>(ix)));
            c.fy = static_cast<std::int32_t>(2.0f * (p.y - static_cast<float>(iy)));
            c.fz = static_cast<std::int32_t>(2.0f * (p.z - static_cast<float>(iz)));
            if (c.mirrored) c.fz = 2 - c.fz;
        }
        return true;
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
        return w[0] * v000[0] + w[1] * v100[0] + w[2] * v010[0] + w[3] * v000[1] +
               w[4] * v110[0] + w[5] * v010[1] + w[6] * v100[1] + w[7] * v110[1];
    }

    std::uint32_t SampleCell(const Cell& c) const {
        const std::uint8_t* v = Voxel(c.ix, c.iy, c.iz);
        if (!trilinear) return *v;
        return static_cast<std::uint32_t>(WeightedSum(v, c.fx, c.fy, c.fz)) / 8u;
    }

    std::uint32_t Sample(const Point3& p) const {
        Cell c;
        return Locate(p, c, false) ? SampleCell(c) : 0u;
    }

    Int3 Gradient(const Point3& p) const {
        Cell c;
        if (!Locate(p, c, true)) return {};
        const std::uint8_t* v = Voxel(c.ix, c.iy, c.iz);
        if (!trilinear) {
            // A mirrored last slice maps to slice 0; its lower neighbour is outside: 0.
            const std::int32_t below = c.iz >= 1 ? v[-1] : 0;
            return {std::int32_t{v[xStride]} - v[-xStride], std::int32_t{v[yStride]} - v[-yStride],
                    std::int32_t{v[1]} - below};
        }
        const std::int32_t s0 = WeightedSum(v, c.fx, c.fy, c.fz);
        const std::int32_t sx = WeightedSum(v, c.fx + 1, c.fy, c.fz);
        const std::int32_t sy = WeightedSum(v, c.fx, c.fy + 1, c.fz);
        if (c.mirrored) {
            // Along the stored slices: in the mirrored half the half step goes down.
            return {sx - s0, sy - s0, s0 - WeightedSum(v, c.fx, c.fy, c.fz - 1)};
        }
        return {sx - s0, sy - s0, WeightedSum(v, c.fx, c.fy, c.fz + 1) - s0};
    }
};

}  // namespace calyra
