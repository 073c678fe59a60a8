// What every ray of one render shares: the sampler, the levels of the
// rendering type and the skipping tables.
#pragma once

#include <cstdint>
#include <vector>

#include "render/render_type.h"
#include "render/sampler.h"

namespace calyra {

class BrickMap;

struct RayContext {
    VolumeSampler sampler;
    const BrickMap* bricks = nullptr;
    RenderType type = RenderType::Surface;
    float threshold = 0.0f;
    bool plainSum = false;
    float hitLevel = 0.0f;    // Surface: a sample above it stops the ray; projections: counts
    float shadeLevel = 0.0f;  // Transparent: a sample above it contributes
    // Samples at or below this value change nothing (-1: every sample may matter).
    std::int32_t quietLimit = -1;
    // Transparent with a threshold: a sample whose gradient is zero changes
    // nothing either.
    bool flatIsQuiet = false;
    // Minimum: the least sample value that counts (a minimum there is final).
    std::int64_t leastCounted = 0;
    std::int64_t k1 = 0, k2 = 0;
    std::int64_t size = 0;
    // The two terms of the depth-cued brightness, by the integer position
    // sum s (the inside of the volume) and by step i (of cueSteps steps):
    // divisions done once per render instead of once per sample.
    std::vector<std::int64_t> sumCue, stepCue;
    std::int32_t cueSteps = -1;
};

// The brightness terms as formulas; wide integers keep their meaning for
// any maxValue.
inline std::int64_t SumCue(const RayContext& c, std::int64_t s) {
    return (c.size != 0 ? (3 * c.size - s) * c.k1 / c.size : 0) + c.k2;
}
inline std::int64_t StepCue(const RayContext& c, std::uint32_t i, std::int32_t stepCount) {
    return static_cast<std::int64_t>(std::uint64_t{i} * static_cast<std::uint64_t>(c.k2) /
                                     static_cast<std::uint64_t>(stepCount));
}

// Fills the brightness tables for rays of stepCount steps.
void PrepareDepthCue(RayContext& context, std::int32_t stepCount);

// The context of a render of v; bricks may be null (no skipping).
RayContext MakeRayContext(const VolumeStore& v, RenderType type, const BrickMap* bricks,
                          float threshold, bool trilinear);

}  // namespace calyra
