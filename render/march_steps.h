// The steps every march takes alike: the kept range of positions, how far a
// ray certainly stays inside a box, and runs of plain additions.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geometry/vector_math.h"
#include "render/brick_map.h"
#include "render/sampler.h"

namespace calyra {

// True when a coordinate is outside the kept range [low, high) and its steps
// carry it further out (float addition is monotonic, so it never returns).
inline bool LeavesForGood(float p, float d, float low, float high) {
    return (p < low && d <= 0.0f) || (p >= high && d >= 0.0f);
}

// The range of positions a march keeps on each axis: [1, dim) without a
// cut (constants and the dims, as the lookup has them, worked out where
// they are needed), the crop box's cells with one.
template <bool kCut>
struct KeptRange {
    const VolumeSampler& s;
    Point3 Low() const {
        if constexpr (kCut) {
            return s.cut.low;
        } else {
            return {1.0f, 1.0f, 1.0f};
        }
    }
    Point3 High() const {
        if constexpr (kCut) {
            return s.cut.high;
        } else {
            return {static_cast<float>(s.dimX), static_cast<float>(s.dimY),
                    static_cast<float>(s.dimZ)};
        }
    }
};

// How many further steps from p certainly keep the position inside the box
// [x0, x1) x [y0, y1) x [z0, z1), at most `left`. The bound leaves room for
// the rounding of every addition on the way, so the exact float sums agree.
// Inlined into each march, as into the one there was.
[[gnu::always_inline]] inline std::int64_t SureSteps(const Point3& p, const Point3& d, float x0,
                                                     float x1, float y0, float y1, float z0,
                                                     float z1, std::int64_t left) {
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

// A sample at p was outside the kept range. True when the ray, moving away
// from the volume on some axis, never comes back: every later sample is
// outside too. Otherwise runs on with additions only while the next position
// stays outside (a position the clip plane cuts counts as inside here: it
// stops the run, never skips a kept sample); p and i end at the last of them.
template <bool kCut>
[[gnu::always_inline]] inline bool RunOutside(const KeptRange<kCut>& kept, Point3& p,
                                              const Point3& d, std::uint32_t& i,
                                              std::int64_t stepCount) {
    const Point3 lo = kept.Low(), hi = kept.High();
    if (LeavesForGood(p.x, d.x, lo.x, hi.x) || LeavesForGood(p.y, d.y, lo.y, hi.y) ||
        LeavesForGood(p.z, d.z, lo.z, hi.z)) {
        return true;
    }
    // Otherwise run on with additions only while the next position
    // stays outside too (a position the clip plane cuts counts as
    // inside here: it stops the run, never skips a kept sample).
    while (static_cast<std::int64_t>(i) + 1 < stepCount) {
        const Point3 q{p.x + d.x, p.y + d.y, p.z + d.z};
        if (q.x >= lo.x && q.x < hi.x && q.y >= lo.y && q.y < hi.y && q.z >= lo.z && q.z < hi.z) {
            break;
        }
        p = q;
        ++i;
    }
    return false;
}

// The cell at p lies in a region of bricks that cannot change the result,
// reach bricks deep: runs on with additions only while the position stays
// in it; p and i end at the last position inside.
[[gnu::always_inline]] inline void RunThroughQuietBricks(int reach, const VolumeSampler::Cell& cell,
                                                         Point3& p, const Point3& d,
                                                         std::uint32_t& i, std::int64_t stepCount) {
    constexpr std::int32_t kBrick = 1 << BrickMap::kShift;
    const std::int32_t margin = (reach - 1) * kBrick;
    const float x0 = static_cast<float>((cell.ix & -kBrick) - margin);
    const float y0 = static_cast<float>((cell.iy & -kBrick) - margin);
    const float z0 = static_cast<float>((cell.rawZ & -kBrick) - margin);
    const float side = static_cast<float>(kBrick + 2 * margin);
    const float x1 = x0 + side, y1 = y0 + side, z1 = z0 + side;
    // First the steps that certainly stay in the block: additions only.
    std::int64_t left = stepCount - 1 - static_cast<std::int64_t>(i);
    std::int64_t sure = SureSteps(p, d, x0, x1, y0, y1, z0, z1, left);
    i += static_cast<std::uint32_t>(sure);
    AddSteps(p, d, sure);
    // Then step by step up to the block's edge.
    while (static_cast<std::int64_t>(i) + 1 < stepCount) {
        const Point3 q{p.x + d.x, p.y + d.y, p.z + d.z};
        if (!(q.x >= x0 && q.x < x1 && q.y >= y0 && q.y < y1 && q.z >= z0 && q.z < z1)) {
            break;
        }
        p = q;
        ++i;
    }
}

}  // namespace calyra
