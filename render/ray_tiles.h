// Renders that take every sample of every ray (Transparent with threshold 0
// sums them; the projections take the extreme or the mean of those above the
// threshold) read the whole volume once per ray. Here the rays of a tile,
// eight per vector, advance together through the volume a slab of steps at
// a time, so the voxels neighbouring rays read are still in cache when the
// next ray reads them. Each ray's positions are its own float sums, one
// addition per step, as in the one-ray march, and its result folds the
// same samples; only the order in which rays take their steps differs, and
// the folds (integer sums, extremes with the step where each was first met)
// do not depend on it.
#pragma once

#include <cstdint>

#include "geometry/vector_math.h"
#include "render/ray_cast.h"
#include "render/ray_lanes.h"

namespace calyra {

struct RayContext;

// A tile is up to kTileRows rows of up to kTileColumns rays.
constexpr int kTileRows = 32;
constexpr int kTileColumns = 4 * kRayLanes;

// Whether the tiles render this context: a type whose rays fold every
// sample, on a store the vectors can address, on a processor with the
// lanes (RayLanesSupported()).
bool RayTilesFit(const RayContext& context);

// Casts the rays rowOrigins[r][0..columns) for r in [0, rows) with the same
// step, as CastRay(context, ...) would one by one; the result of ray (r, k)
// goes to results[r * kTileColumns + k]. Needs RayTilesFit(context). The
// plan is used when the context has bricks.
void CastRayTile(const RayContext& context, const RayLanesPlan& plan,
                 const Point3* const* rowOrigins, int rows, int columns, const Point3& rayDir,
                 std::int32_t stepCount, RayResult* results);

}  // namespace calyra
