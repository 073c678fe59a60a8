#include "render/ray_cast.h"

#include <algorithm>
#include <cmath>

#include "render/brick_map.h"
#include "render/ray_context.h"
#include "render/ray_sample.h"
#include "render/sampler.h"
#include "render/user_settings.h"
#include "render/weights.h"
#include "volume/volume_store.h"

namespace calyra {

VolumeSampler VolumeSampler::FromCurrentVolume() {
    return FromStore(interpolate);
}

VolumeSampler VolumeSampler::FromStore(bool trilinear) {
    const VolumeStore& v = VoxelVolume;
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

// True when a coordinate is outside the inside range [1, dim) and its steps
// carry it further out (float addition is monotonic, so it never returns).
inline bool LeavesForGood(float p, float d, std::int32_t dim) {
    return (p < 1.0f && d <= 0.0f) || (p >= static_cast<float>(dim) && d >= 0.0f);
}

// How many further steps from p certainly keep the position inside the box
// [x0, x1) x [y0, y1) x [z0, z1), at most `left`. The bound leaves room for
// the rounding of every addition on the way, so the exact float sums agree.
inline std::int64_t SureSteps(const Point3& p, const Point3& d, float x0, float x1, float y0,
                              float y1, float z0, float z1, std::int64_t left) {
    if (left <= 0) return 0;
    const double reach =
        std::max({std::fabs(double{x1}), std::fabs(double{y1}), std::fabs(double{z1}),
                  std::fabs(double{x0}), std::fabs(double{y0}), std::fabs(double{z0}), 1.0});
    // Each addition is off by at most half an ulp of a value below reach.
    const double slack = (static_cast<double>(left) + 2.0) * reach * 0x1p-22;
    double steps = static_cast<double>(left);
    auto axis = [&](double pc, double dc, double lo, double hi) {
        if (dc > 0.0) steps = std::min(steps, (hi - pc - slack) / dc);
        if (dc < 0.0) steps = std::min(steps, (pc - lo - slack) / -dc);
    };
    axis(p.x, d.x, x0, x1);
    axis(p.y, d.y, y0, y1);
    axis(p.z, d.z, z0, z1);
    return steps <= 1.0 ? 0 : static_cast<std::int64_t>(steps) - 1;
}

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

// Advances p by n steps, one float addition per step and coordinate.
inline void AddSteps(Point3& p, const Point3& d, std::int64_t n) {
    for (; n >= 4; n -= 4) {
        p.x = p.x + d.x + d.x + d.x + d.x;
        p.y = p.y + d.y + d.y + d.y + d.y;
        p.z = p.z + d.z + d.z + d.z + d.z;
    }
    for (; n > 0; --n) {
        p.x += d.x;
        p.y += d.y;
        p.z += d.z;
    }
}

// The largest voxel value v with float(v) <= level, or -1.
std::int32_t QuietLimit(float level) {
    if (!(level >= 0.0f)) return -1;
    if (level >= 255.0f) return 255;
    return static_cast<std::int32_t>(level);
}

}  // namespace

RayContext MakeRayContext(RenderType type, const BrickMap* bricks) {
    return MakeRayContext(type, bricks, threshold, interpolate);
}

RayContext MakeRayContext(RenderType type, const BrickMap* bricks, float level, bool trilinear) {
    const VolumeStore& v = VoxelVolume;
    RayContext c;
    c.sampler = VolumeSampler::FromStore(trilinear);
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

std::uint32_t SampleVolume(const Point3& p) {
    return VolumeSampler::FromCurrentVolume().Sample(p);
}

Int3 VolumeGradient(const Point3& p) {
    return VolumeSampler::FromCurrentVolume().Gradient(p);
}

std::uint32_t DepthCuedBrightness(std::uint32_t i, const Point3& p, std::int32_t stepCount) {
    return Brightness(MakeRayContext(RenderType::Surface, nullptr), i, p, stepCount);
}

RayResult CastRay(Point3 origin, const Point3& rayDir, const Point3& lightHalfway,
                  std::int32_t stepCount, RenderType type) {
    return CastRay(MakeRayContext(type, nullptr), origin, rayDir, lightHalfway, stepCount);
}

RayResult CastRay(const RayContext& c, Point3 origin, const Point3& rayDir,
                  const Point3& lightHalfway, std::int32_t stepCount) {
    const VolumeSampler& s = c.sampler;
    Point3 p = origin;
    std::uint32_t first = 0;
    if (c.bricks && c.quietLimit >= 0 && TraitsOf(c.type).skipsEmptySpace) {
        // Leading samples that certainly change nothing are not taken; a ray
        // that meets nothing else needs no marching at all.
        const std::int64_t quiet =
            c.bricks->QuietSteps(origin, rayDir, stepCount, s.dimX, s.dimY, s.dimZ);
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
        const bool inside = s.LocateCell(p, cell, Lookup::Sample);
        if (!inside) {
            quiet = c.quietLimit >= 0;  // outside samples are 0
            if (quiet && c.bricks) {
                if (OpacitySpent(c, r)) return {r.acc, static_cast<std::int32_t>(i + 1)};
                // Moving away from the volume on some axis, the ray never comes
                // back: every later sample is 0 and changes nothing.
                if (LeavesForGood(p.x, rayDir.x, s.dimX) || LeavesForGood(p.y, rayDir.y, s.dimY) ||
                    LeavesForGood(p.z, rayDir.z, s.dimZ)) {
                    return RayEnd(c, r);
                }
                // Otherwise run on with additions only while the next position
                // stays outside too.
                const float hx = static_cast<float>(s.dimX), hy = static_cast<float>(s.dimY),
                            hz = static_cast<float>(s.dimZ);
                while (static_cast<std::int64_t>(i) + 1 < stepCount) {
                    const Point3 q{p.x + rayDir.x, p.y + rayDir.y, p.z + rayDir.z};
                    if (q.x >= 1.0f && q.x < hx && q.y >= 1.0f && q.y < hy && q.z >= 1.0f &&
                        q.z < hz) {
                        break;
                    }
                    p = q;
                    ++i;
                }
                continue;
            }
        } else if (const int reach = c.bricks ? c.bricks->Reach(cell.ix, cell.iy, cell.rawZ) : 0) {
            // A region of blocks that cannot change the result: run on with
            // additions only while the position stays in it.
            if (OpacitySpent(c, r)) return {r.acc, static_cast<std::int32_t>(i + 1)};
            constexpr std::int32_t kBrick = 1 << BrickMap::kShift;
            const std::int32_t margin = (reach - 1) * kBrick;
            const float x0 = static_cast<float>((cell.ix & -kBrick) - margin);
            const float y0 = static_cast<float>((cell.iy & -kBrick) - margin);
            const float z0 = static_cast<float>((cell.rawZ & -kBrick) - margin);
            const float side = static_cast<float>(kBrick + 2 * margin);
            const float x1 = x0 + side, y1 = y0 + side, z1 = z0 + side;
            // First the steps that certainly stay in the block: additions only.
            std::int64_t left = stepCount - 1 - static_cast<std::int64_t>(i);
            std::int64_t sure = SureSteps(p, rayDir, x0, x1, y0, y1, z0, z1, left);
            i += static_cast<std::uint32_t>(sure);
            AddSteps(p, rayDir, sure);
            // Then step by step up to the block's edge.
            while (static_cast<std::int64_t>(i) + 1 < stepCount) {
                const Point3 q{p.x + rayDir.x, p.y + rayDir.y, p.z + rayDir.z};
                if (!(q.x >= x0 && q.x < x1 && q.y >= y0 && q.y < y1 && q.z >= z0 && q.z < z1)) {
                    break;
                }
                p = q;
                ++i;
            }
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

}  // namespace calyra
