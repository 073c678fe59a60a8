// One ray: sampling, gradients and the rendering types.
//
// Positions are in voxel units: the volume box runs 0..size on each axis.
#pragma once

#include <cstdint>

#include "base/int3.h"
#include "geometry/vector_math.h"
#include "render/render_type.h"

namespace calyra {

class BrickMap;

struct RayResult {
    std::uint32_t value = 0;  // stored into all three components
    std::int32_t depth = 0;   // 1 + stopping step, 0 when every step was taken
};

struct Session;

// These read the session's volume, its threshold and its interpolation.
// Value 0..255 at p; 0 outside the inside cells.
std::uint32_t SampleVolume(const Session& session, const Point3& p);
// Unnormalised gradient at p; (0, 0, 0) outside.
Int3 VolumeGradient(const Session& session, const Point3& p);

RayResult CastRay(const Session& session, Point3 origin, const Point3& rayDir,
                  const Point3& lightHalfway, std::int32_t stepCount, RenderType type);

// Depth-cued brightness of a hit at step i and position p; below 0 stored as 0.
std::uint32_t DepthCuedBrightness(const Session& session, std::uint32_t i, const Point3& p,
                                  std::int32_t stepCount);

// With a context (render/ray_context.h) that has bricks, samples in blocks
// whose voxels cannot change the result are not taken; the positions still
// advance by the same additions.
struct RayContext;
RayResult CastRay(const RayContext& context, Point3 origin, const Point3& rayDir,
                  const Point3& lightHalfway, std::int32_t stepCount);

// The march CastRay takes for this context, with or without its cut: a
// render chooses once and calls it for every ray.
using RayMarch = RayResult (*)(const RayContext& context, Point3 origin, const Point3& rayDir,
                               const Point3& lightHalfway, std::int32_t stepCount);
RayMarch RayMarchOf(const RayContext& context);

}  // namespace calyra
