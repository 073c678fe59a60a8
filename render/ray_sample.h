// What one sample does to a ray under each rendering type. The
// one-ray march and the vector-lane march both come here, so the rules and
// their arithmetic live once.
#pragma once

#include <cmath>
#include <cstdint>

#include "render/ray_cast.h"
#include "render/ray_context.h"
#include "render/sampler.h"

namespace calyra {

// The running state of one ray.
struct RayProgress {
    std::uint32_t acc = 0;  // Maximum, Minimum: the extreme so far
    float t = 1.0f;         // Transparent: the opacity left
    // The projections: the counted samples' sum and number, and the depth
    // the ray reports (0 until a sample counts).
    std::uint64_t sum = 0;
    std::uint32_t count = 0;
    std::int32_t depth = 0;
};

// The result of a ray that took all its steps.
inline RayResult RayEnd(const RayContext& c, const RayProgress& r) {
    if (c.type == RenderType::Average && r.count != 0) {
        return {static_cast<std::uint32_t>(r.sum / r.count), r.depth};
    }
    return {r.acc, r.depth};
}

// A projection's counted sample v at step i. True when no later sample can
// change the result, with `result` set: a maximum of 255 cannot grow, a
// minimum at the least value that counts cannot shrink.
inline bool Project(const RayContext& c, RayProgress& r, std::uint32_t v, std::uint32_t i,
                    RayResult& result) {
    const auto depth = static_cast<std::int32_t>(i + 1);
    if (r.count == 0) {
        r.acc = v;
        r.depth = depth;
    } else if ((c.type == RenderType::Maximum && v > r.acc) ||
               (c.type == RenderType::Minimum && v < r.acc)) {
        r.acc = v;
        r.depth = depth;
    }
    r.sum += v;
    ++r.count;
    const bool settled =
        (c.type == RenderType::Maximum && r.acc >= 255u) ||
        (c.type == RenderType::Minimum && static_cast<std::int64_t>(r.acc) <= c.leastCounted);
    if (settled) result = {r.acc, r.depth};
    return settled;
}

inline std::uint32_t Brightness(const RayContext& c, std::uint32_t i, const Point3& p,
                                std::int32_t stepCount) {
    const float sum = p.x + p.y + p.z;
    std::int64_t s = 0;
    if (sum > -9.0e18f && sum < 9.0e18f) s = static_cast<std::int64_t>(sum);
    std::int64_t b = s >= 0 && s < static_cast<std::int64_t>(c.sumCue.size())
                         ? c.sumCue[static_cast<std::size_t>(s)]
                         : SumCue(c, s);
    if (stepCount > 0) {
        b -= stepCount == c.cueSteps && i < c.stepCue.size() ? c.stepCue[i]
                                                             : StepCue(c, i, stepCount);
    }
    if (b < 0) return 0;
    return b > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<std::uint32_t>(b);
}

// A Transparent ray with a threshold stops at the step after its opacity
// ran out, whatever that step holds.
inline bool OpacitySpent(const RayContext& c, const RayProgress& r) {
    return c.type == RenderType::Transparent && !c.plainSum && r.t < 0.0f;
}

// The gradient for a sample at p whose cell Locate gave as `cell`: the
// gradient's cell differs from the sample's only on the mirror's middle slice.
inline bool GradientCellDiffers(const VolumeSampler& s, const VolumeSampler::Cell& cell) {
    return s.mirror && cell.rawZ == s.halfZ;
}
inline Int3 SampleGradient(const VolumeSampler& s, const Point3& p,
                           const VolumeSampler::Cell& cell) {
    return GradientCellDiffers(s, cell) ? s.Gradient(p) : s.GradientCell(cell);
}

// Applies the sample taken at step i, position p (inside: its cell lookup
// succeeded; quiet: the sample is at or below the quiet limit; gradient()
// gives its gradient, asked for only when the rules need it). True when the
// ray ends at this step, with `result` set.
template <typename GradientOf>
inline bool ApplySample(const RayContext& c, RayProgress& r, std::uint32_t sample, bool inside,
                        bool quiet, const Point3& p, GradientOf gradient,
                        const Point3& lightHalfway, std::uint32_t i, std::int32_t stepCount,
                        RayResult& result) {
    switch (c.type) {
        case RenderType::Surface:
            if (!quiet && static_cast<float>(sample) > c.hitLevel) {
                // The first two samples show the data itself: a cut surface.
                result = {i < 2 ? sample : Brightness(c, i, p, stepCount),
                          static_cast<std::int32_t>(i + 1)};
                return true;
            }
            return false;
        case RenderType::Transparent: {
            if (c.plainSum) {
                r.acc += sample;
                return false;
            }
            if (r.t < 0.0f) {
                result = {r.acc, static_cast<std::int32_t>(i + 1)};
                return true;
            }
            if (quiet || !(static_cast<float>(sample) > c.shadeLevel)) return false;
            const Int3 g = gradient();
            const std::int64_t g2wide =
                std::int64_t{g.x} * g.x + std::int64_t{g.y} * g.y + std::int64_t{g.z} * g.z;
            const auto g2 = static_cast<std::uint32_t>(g2wide);
            if (g2 == 0) return false;
            const float dot = lightHalfway.x * static_cast<float>(g.x) +
                              lightHalfway.y * static_cast<float>(g.y) +
                              lightHalfway.z * static_cast<float>(g.z);
            const float w = (1.0f - dot / std::sqrt(static_cast<float>(g2))) * 0.5f;
            const float add = static_cast<float>(Brightness(c, i, p, stepCount)) * r.t * w;
            // Truncated toward zero; added with the wrap of 32-bit unsigned sums.
            if (add > -9.0e18f && add < 9.0e18f) {
                r.acc += static_cast<std::uint32_t>(static_cast<std::int64_t>(add));
            }
            r.t = r.t - c.threshold * w;
            return false;
        }
        case RenderType::Slice:
            result = {sample, static_cast<std::int32_t>(i + 1)};
            return true;
        case RenderType::Maximum:
        case RenderType::Minimum:
        case RenderType::Average:
            // Counted: inside and above the threshold, compared as Surface does.
            if (!inside || !(static_cast<float>(sample) > c.hitLevel)) return false;
            return Project(c, r, sample, i, result);
        case RenderType::Composite:
            // Its rays are render/composite_march.h's: nothing of the byte samples.
            return false;
    }
    return false;
}

}  // namespace calyra
