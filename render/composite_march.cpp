#include "render/composite_march.h"

#include <algorithm>
#include <cmath>

#include "render/brick_map.h"
#include "render/march_steps.h"
#include "render/ray_sample.h"
#include "volume/volume_store.h"

namespace calyra {

FineVoxels FineVoxels::FromStore(const VolumeStore& v) {
    FineVoxels f;
    if (!v.fine || v.fineRowLength == 0) return f;
    f.base = reinterpret_cast<const std::uint16_t*>(v.fine.get());
    f.yStride = static_cast<std::int64_t>(v.fineRowLength);
    f.xStride = f.yStride * (static_cast<std::int64_t>(v.allocated.y) + 1);
    return f;
}

namespace {

// The shade of a sample whose fine gradient is g: the halfway light's
// weight w, then ka + kd w + ks w^p, in float.
inline float Shade(const TfTables& t, const Int3& g, const Point3& lightHalfway) {
    const std::int64_t g2 =
        std::int64_t{g.x} * g.x + std::int64_t{g.y} * g.y + std::int64_t{g.z} * g.z;
    float w = 0.5f;
    if (g2 != 0) {
        const float dot = lightHalfway.x * static_cast<float>(g.x) +
                          lightHalfway.y * static_cast<float>(g.y) +
                          lightHalfway.z * static_cast<float>(g.z);
        w = (1.0f - dot / std::sqrt(static_cast<float>(g2))) * 0.5f;
    }
    const float lit = t.ka + t.kd * w;
    // Without a specular weight its term adds 0 to a sum of at least 0.
    if (t.ks == 0.0f) return lit;
    float wp = w;
    for (int k = 1; k < t.p; ++k) wp = wp * w;
    return lit + t.ks * wp;
}

inline std::uint32_t Component(float c) {
    const float v = std::min(255.0f, c * 255.0f);
    // Truncated toward zero; a rounding below 0 is 0.
    return v > 0.0f ? static_cast<std::uint32_t>(v) : 0u;
}

template <bool kCut>
RgbRay March(const CompositeContext& c, Point3 origin, const Point3& rayDir,
             const Point3& lightHalfway, std::int32_t stepCount) {
    const VolumeSampler& s = c.sampler;
    const TfTables& t = *c.tables;
    const KeptRange<kCut> kept{s};
    Point3 p = origin;
    std::uint32_t first = 0;
    RgbRay ray;
    if (c.bricks) {
        // Leading samples outside or in bricks where nothing is opaque add
        // nothing; a ray that meets nothing else needs no marching at all.
        const std::int64_t quiet =
            c.bricks->QuietSteps(origin, rayDir, stepCount, kept.Low(), kept.High());
        if (quiet >= stepCount) return ray;
        first = static_cast<std::uint32_t>(quiet);
        AddSteps(p, rayDir, quiet);
    }
    float transparency = 1.0f;
    float r = 0.0f, g = 0.0f, b = 0.0f;
    VolumeSampler::Cell cell{};
    for (std::uint32_t i = first; static_cast<std::int64_t>(i) < stepCount; ++i) {
        p.x += rayDir.x;
        p.y += rayDir.y;
        p.z += rayDir.z;
        if (!s.LocateCellOf<kCut>(p, cell, Lookup::Sample)) {
            if (c.bricks && RunOutside(kept, p, rayDir, i, stepCount)) break;
            continue;
        }
        if (c.bricks) {
            if (const int reach = c.bricks->Reach(cell.ix, cell.iy, cell.rawZ)) {
                RunThroughQuietBricks(reach, cell, p, rayDir, i, stepCount);
                continue;
            }
        }
        if (s.trilinear) s.SetHalfVoxel(p, cell);
        const std::uint32_t e = c.fine.SampleCell(s, cell) >> 4;
        const float a = t.opacity[e];
        if (a == 0.0f) continue;
        if (ray.depth == 0) ray.depth = static_cast<std::int32_t>(i + 1);
        float shade = 1.0f;
        if (c.shade) {
            Int3 gradient;
            if (GradientCellDiffers(s, cell)) {
                // The mirror's middle slice: the gradient reads the mirrored one.
                VolumeSampler::Cell other;
                if (s.Locate(p, other, Lookup::Gradient)) gradient = c.fine.GradientCell(s, other);
            } else {
                gradient = c.fine.GradientCell(s, cell);
            }
            shade = Shade(t, gradient, lightHalfway);
        }
        const float q = transparency * a;
        r = r + q * (t.colour[e][0] * shade);
        g = g + q * (t.colour[e][1] * shade);
        b = b + q * (t.colour[e][2] * shade);
        transparency = transparency * (1.0f - a);
        if (transparency < 1.0f / 256.0f) break;
    }
    ray.rgb[0] = Component(r);
    ray.rgb[1] = Component(g);
    ray.rgb[2] = Component(b);
    return ray;
}

}  // namespace

RgbRay CastCompositeRay(const CompositeContext& c, Point3 origin, const Point3& rayDir,
                        const Point3& lightHalfway, std::int32_t stepCount) {
    if (!c.tables || !c.fine.base) return {};
    return c.sampler.cut.active ? March<true>(c, origin, rayDir, lightHalfway, stepCount)
                                : March<false>(c, origin, rayDir, lightHalfway, stepCount);
}

}  // namespace calyra
