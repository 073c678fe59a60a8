// Eight rays marched side by side in the lanes of one AVX2 register. A ray's
// positions are float sums, one addition per step and axis: a lane adds
// exactly as the one-ray march does, so the positions, and with them every
// result, are the same bits. The vector part only finds the samples that may
// change a result (from the brick map's cell table); those few are taken by
// the same rules as in the one-ray march (render/ray_sample.h).
#pragma once

#include <cstdint>

#include "geometry/vector_math.h"
#include "render/brick_map.h"
#include "render/ray_cast.h"

namespace calyra {

struct RayContext;

constexpr int kRayLanes = 8;

// Whether this processor runs the lanes (AVX2), asked once.
bool RayLanesSupported();

// Whether the lanes can render with this context: a type they serve, with
// a cell table to say which samples may matter.
bool RayLanesFit(const RayContext& context);

// What all lane groups of one render share: how many steps a group may take
// by additions alone when its lanes are among quiet bricks of reach r, or
// all outside the volume.
struct RayLanesPlan {
    static constexpr std::int32_t kMostSkipped = 64;
    std::int32_t skip[BrickMap::kFarReach + 1] = {};
    // Lanes outside the volume: the distance within which they may skip, and
    // the rounding allowance of their additions (none skip while near is 0).
    float near = 0.0f;
    float slack = 0.0f;
};
RayLanesPlan PlanRayLanes(const RayContext& context, const Point3& rayDir);

// Casts count <= kRayLanes rays from origins[0..count) with the same step,
// as CastRay(context, ...) would one by one. Needs RayLanesSupported() and
// RayLanesFit(context).
void CastRayLanes(const RayContext& context, const RayLanesPlan& plan, const Point3* origins,
                  int count, const Point3& rayDir, const Point3& lightHalfway,
                  std::int32_t stepCount, RayResult* results);

}  // namespace calyra
