// What every ray of one render shares: the sampler, the levels of the
// rendering type and the skipping tables.
#pragma once

#include <cstdint>

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
    float hitLevel = 0.0f;    // Surface: a sample above it stops the ray
    float shadeLevel = 0.0f;  // Transparent: a sample above it contributes
    // Samples at or below this value change nothing (-1: every sample may matter).
    std::int32_t quietLimit = -1;
    // Transparent with a threshold: a sample whose gradient is zero changes
    // nothing either.
    bool flatIsQuiet = false;
    std::int64_t k1 = 0, k2 = 0;
    std::int64_t size = 0;
};

// Reads the current store and settings; bricks may be null (no skipping).
RayContext MakeRayContext(RenderType type, const BrickMap* bricks);

}  // namespace calyra
