#include "render/ray_cast.h"

#include <algorithm>
#include <cmath>

#include "render/brick_map.h"
#include "render/march_steps.h"
#include "render/ray_context.h"
#include "render/ray_sample.h"
#include "render/sampler.h"
#include "render/session.h"
#include "render/weights.h"
#include "volume/volume_store.h"

namespace calyra {

VolumeSampler VolumeSampler::FromStore(const VolumeStore& v, bool trilinear) {
    VolumeSampler s;
    s.mirror = v.mirrorZ != 0;
    s.trilinear = trilinear;
    s.weights = TrilinearWeights;
    const bool present = v.voxels && v.dims.x <= v.allocated.x && v.dims.y <= v.allocated.y &&
                         v.dims.z <= v.allocated.z && v.origin.x == 0 && v.origin.y == 0 &&
                         v.origin.z == 0;
    if (!present) return s;  // no store: no cell is inside
    s.base = v.block.get();
    s.yStride = static_cast<std::int64_t>(v.rowLength);
    s.xStride = s.yStride * (static_cast<std::int64_t>(v.allocated.y) + 1);
    s.dimX = v.dims.x;
    s.dimY = v.dims.y;
    s.dimZ = v.dims.z;
    s.halfZ = v.dims.z / 2;
    return s;
}

namespace {

// Whether the sample at p, located as cell without its half-voxel position,
// may change the result; if so the position is completed for sampling. A
// cell none of whose samples matters needs no half-voxel position.
inline bool CompleteIfLoud(const VolumeSampler& s, const BrickMap* bricks, const Point3& p,
                           VolumeSampler::Cell& cell) {
    const std::uint8_t bits = bricks ? bricks->CellBits(cell) : 0xFF;
    if (bits == 0) return false;
    if (!s.trilinear) return true;
    s.SetHalfVoxel(p, cell);
    return (bits >> cell.corner) & 1;
}

// The largest voxel value v with float(v) <= level, or -1.
std::int32_t QuietLimit(float level) {
    if (!(level >= 0.0f)) return -1;
    if (level >= 255.0f) return 255;
    return static_cast<std::int32_t>(level);
}

}  // namespace

RayContext MakeRayContext(const VolumeStore& v, RenderType type, const BrickMap* bricks,
                          float level, bool trilinear) {
    RayContext c;
    c.sampler = VolumeSampler::FromStore(v, trilinear);
    c.bricks = bricks;
    c.type = type;
    c.threshold = level;
    c.plainSum = level == 0.0f;
    const float maxValue = static_cast<float>(v.maxValue);
    c.hitLevel = level * maxValue;
    c.shadeLevel = 0.1f * maxValue;
    c.k1 = static_cast<std::int64_t>(maxValue * 0.33333334f);
    c.k2 = static_cast<std::int64_t>(maxValue * 0.11111111f);
    c.size = v.size;
    switch (type) {
        case RenderType::Surface:
        case RenderType::Maximum:
        case RenderType::Minimum:
        case RenderType::Average:
            // A sample at or below the threshold neither hits nor counts.
            c.quietLimit = QuietLimit(c.hitLevel);
            break;
        case RenderType::Transparent:
            c.quietLimit = c.plainSum ? 0 : QuietLimit(c.shadeLevel);
            c.flatIsQuiet = !c.plainSum;
            break;
        case RenderType::Slice:
        case RenderType::Composite:  // its rays are render/composite_march.h's
            break;
    }
    c.leastCounted = std::int64_t{QuietLimit(c.hitLevel)} + 1;
    return c;
}

void PrepareDepthCue(RayContext& c, std::int32_t stepCount) {
    const VolumeSampler& s = c.sampler;
    // Inside samples lie in [1, dim) on every axis.
    const std::int64_t sums = 3 * std::int64_t{std::max({s.dimX, s.dimY, s.dimZ, 0})} + 1;
    c.sumCue.resize(static_cast<std::size_t>(sums));
    for (std::int64_t k = 0; k < sums; ++k) c.sumCue[static_cast<std::size_t>(k)] = SumCue(c, k);
    c.cueSteps = stepCount;
    c.stepCue.resize(static_cast<std::size_t>(std::max(stepCount, 0)));
    for (std::int32_t i = 0; i < stepCount; ++i) {
        c.stepCue[static_cast<std::size_t>(i)] =
            StepCue(c, static_cast<std::uint32_t>(i), stepCount);
    }
}

namespace {

// The session's sampling rules with its cut.
VolumeSampler SessionSampler(const Session& session) {
    VolumeSampler s = VolumeSampler::FromStore(session.volume(), session.settings.interpolate);
    s.CutBy(session.settings.crop, session.settings.clip);
    return s;
}

RayContext SessionContext(const Session& session, RenderType type) {
    RayContext c = MakeRayContext(session.volume(), type, nullptr, session.settings.threshold,
                                  session.settings.interpolate);
    c.sampler = SessionSampler(session);
    return c;
}

}  // namespace

std::uint32_t SampleVolume(const Session& session, const Point3& p) {
    return SessionSampler(session).Sample(p);
}

Int3 VolumeGradient(const Session& session, const Point3& p) {
    return SessionSampler(session).Gradient(p);
}

std::uint32_t DepthCuedBrightness(const Session& session, std::uint32_t i, const Point3& p,
                                  std::int32_t stepCount) {
    return Brightness(SessionContext(session, RenderType::Surface), i, p, stepCount);
}

RayResult CastRay(const Session& session, Point3 origin, const Point3& rayDir,
                  const Point3& lightHalfway, std::int32_t stepCount, RenderType type) {
    return CastRay(SessionContext(session, type), origin, rayDir, lightHalfway, stepCount);
}

namespace {

// The one-ray march; with kCut the lookup and the bounds of the skips are
// the cut's.
template <bool kCut>
RayResult March(const RayContext& c, Point3 origin, const Point3& rayDir,
                const Point3& lightHalfway, std::int32_t stepCount) {
    const VolumeSampler& s = c.sampler;
    const KeptRange<kCut> kept{s};
    Point3 p = origin;
    std::uint32_t first = 0;
    if (c.bricks && c.quietLimit >= 0 && TraitsOf(c.type).skipsEmptySpace) {
        // Leading samples that certainly change nothing are not taken; a ray
        // that meets nothing else needs no marching at all.
        const std::int64_t quiet =
            c.bricks->QuietSteps(origin, rayDir, stepCount, kept.Low(), kept.High());
        if (quiet >= stepCount) return {0, 0};
        first = static_cast<std::uint32_t>(quiet);
        AddSteps(p, rayDir, quiet);
    }
    RayProgress r;
    RayResult result;
    // Set by every step that samples inside; defined from the start so that
    // no path reads an unset cell.
    VolumeSampler::Cell cell{};
    for (std::uint32_t i = first; static_cast<std::int64_t>(i) < stepCount; ++i) {
        // Every step advances by the same addition, whether it samples or not.
        p.x += rayDir.x;
        p.y += rayDir.y;
        p.z += rayDir.z;

        std::uint32_t sample = 0;
        bool quiet;
        const bool inside = s.LocateCellOf<kCut>(p, cell, Lookup::Sample);
        if (!inside) {
            quiet = c.quietLimit >= 0;  // outside samples are 0
            if (quiet && c.bricks) {
                if (OpacitySpent(c, r)) return {r.acc, static_cast<std::int32_t>(i + 1)};
                if (RunOutside(kept, p, rayDir, i, stepCount)) return RayEnd(c, r);
                continue;
            }
        } else if (const int reach = c.bricks ? c.bricks->Reach(cell.ix, cell.iy, cell.rawZ) : 0) {
            // A region of blocks that cannot change the result: run on with
            // additions only while the position stays in it.
            if (OpacitySpent(c, r)) return {r.acc, static_cast<std::int32_t>(i + 1)};
            RunThroughQuietBricks(reach, cell, p, rayDir, i, stepCount);
            continue;
        } else if (!CompleteIfLoud(s, c.bricks, p, cell)) {
            // This sample changes nothing.
            if (OpacitySpent(c, r)) return {r.acc, static_cast<std::int32_t>(i + 1)};
            continue;
        } else {
            sample = s.SampleCell(cell);
            quiet = static_cast<std::int32_t>(sample) <= c.quietLimit;
        }

        const auto gradient = [&] { return SampleGradient(s, p, cell); };
        if (ApplySample(c, r, sample, inside, quiet, p, gradient, lightHalfway, i, stepCount,
                        result)) {
            return result;
        }
    }
    return RayEnd(c, r);
}

}  // namespace

RayMarch RayMarchOf(const RayContext& c) {
    return c.sampler.cut.active ? March<true> : March<false>;
}

RayResult CastRay(const RayContext& c, Point3 origin, const Point3& rayDir,
                  const Point3& lightHalfway, std::int32_t stepCount) {
    return RayMarchOf(c)(c, origin, rayDir, lightHalfway, stepCount);
}

}  // namespace calyra
