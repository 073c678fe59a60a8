// The Composite rays: fine values through the transfer function's tables,
// composited front to back in float, each sample lit by the fine store's
// gradient.
#pragma once

#include <cstdint>

#include "base/int3.h"
#include "geometry/vector_math.h"
#include "render/sampler.h"
#include "render/tf_tables.h"

namespace calyra {

class BrickMap;
struct VolumeStore;

// The fine store laid out for sampling: fine (x, y, z) at
// base + x * xStride + y * yStride + z. Cells come from the byte store's
// lookup (VolumeSampler), which has the same dims, mirror and cut.
struct FineVoxels {
    const std::uint16_t* base = nullptr;
    std::int64_t xStride = 0;
    std::int64_t yStride = 0;

    // Null base when the store has no fine values.
    static FineVoxels FromStore(const VolumeStore& v);

    const std::uint16_t* At(std::int32_t x, std::int32_t y, std::int32_t z) const {
        return base + x * xStride + y * yStride + z;
    }
    // Nearest: the fine value at the cell; trilinear: the weighted sum of its
    // eight, divided by 8 (unsigned, truncating), as the byte samples are.
    std::uint32_t SampleCell(const VolumeSampler& s, const VolumeSampler::Cell& c) const {
        const std::uint16_t* v = At(c.ix, c.iy, c.iz);
        if (!s.trilinear) return *v;
        return static_cast<std::uint32_t>(
                   PartialSumsAt(v, xStride, yStride, c.fx, c.fy, c.fz).sum) /
               8u;
    }
    // c as Locate gives it for a gradient.
    [[gnu::always_inline]] Int3 GradientCell(const VolumeSampler& s,
                                             const VolumeSampler::Cell& c) const {
        const std::uint16_t* v = At(c.ix, c.iy, c.iz);
        if (!s.trilinear) return CentralGradientAt(v, xStride, yStride, c.iz);
        return GradientFromSumsAt(v, xStride, yStride, c.fx, c.fy,
                                  PartialSumsAt(v, xStride, yStride, c.fx, c.fy, c.fz));
    }
};

// What every Composite ray of one render shares.
struct CompositeContext {
    VolumeSampler sampler;  // the cell lookup, the cut included
    FineVoxels fine;
    const TfTables* tables = nullptr;
    // Bricks with the opacity rule set (BrickMap::SetOpacityRule), or null:
    // no skipping.
    const BrickMap* bricks = nullptr;
    // Gradient shading on and the function's shading on; otherwise every
    // sample's shade is 1.
    bool shade = false;
};

struct RgbRay {
    std::uint32_t rgb[3] = {0, 0, 0};  // each trunc(min(255, C x 255))
    std::int32_t depth = 0;            // 1 + the step of the first sample with an opacity
};

// One ray of stepCount steps from origin.
RgbRay CastCompositeRay(const CompositeContext& c, Point3 origin, const Point3& rayDir,
                        const Point3& lightHalfway, std::int32_t stepCount);

}  // namespace calyra
