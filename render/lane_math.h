// The AVX2 pieces shared by the vector-lane marches (render/ray_lanes.cpp,
// render/ray_tiles.cpp): eight rays' positions, cells and skips at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "geometry/vector_math.h"
#include "render/brick_map.h"
#include "render/ray_lanes.h"
#include "render/sampler.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CALYRA_RAY_LANES 1
#endif

#ifdef CALYRA_RAY_LANES

namespace calyra::lanes {

#define CALYRA_AVX2 __attribute__((target("avx2")))

// Whether 1 <= index <= last + 1, as index - 1 <= last compared without sign.
// Truncation gives 0x80000000 for NaN and for positions beyond the int
// range, which fails the test as it should.
CALYRA_AVX2 inline __m256i Within(__m256i index, __m256i last) {
    const __m256i below = _mm256_sub_epi32(index, _mm256_set1_epi32(1));
    return _mm256_cmpeq_epi32(_mm256_min_epu32(below, last), below);
}

// n steps along (dx, dy, dz) by additions alone, as the one-ray march takes
// them (none when n <= 0); i counts them.
CALYRA_AVX2 inline void AddSteps(__m256& px, __m256& py, __m256& pz, __m256 dx, __m256 dy,
                                 __m256 dz, std::int32_t n, std::int32_t& i) {
    for (std::int32_t k = 0; k < n; ++k) {
        px = _mm256_add_ps(px, dx);
        py = _mm256_add_ps(py, dy);
        pz = _mm256_add_ps(pz, dz);
    }
    i += n > 0 ? n : 0;
}

// The half-voxel position along one axis, as the one-ray march computes it.
CALYRA_AVX2 inline __m256i HalfVoxel(__m256 p, __m256i index) {
    return _mm256_cvttps_epi32(
        _mm256_mul_ps(_mm256_set1_ps(2.0f), _mm256_sub_ps(p, _mm256_cvtepi32_ps(index))));
}

// The brick of cells (ix, iy, iz) as BrickMap::Reach indexes it.
CALYRA_AVX2 inline __m256i BrickIndex(__m256i ix, __m256i iy, __m256i iz, __m256i perX,
                                      __m256i perY) {
    constexpr int kShift = BrickMap::kShift;
    const __m256i row = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(ix, kShift), perX),
                                         _mm256_srai_epi32(iy, kShift));
    return _mm256_add_epi32(_mm256_mullo_epi32(row, perY), _mm256_srai_epi32(iz, kShift));
}

// For lanes outside the volume, how many further steps certainly leave
// each outside on this axis (0 for lanes inside its range [low, high), a
// large number for lanes that never come in): the gap to the range less the
// rounding slack, in steps of d, less one. Lanes farther out than `near` get 0.
CALYRA_AVX2 inline __m256 EntrySteps(__m256 p, float d, __m256 low, __m256 high, float slack,
                                     float near) {
    const __m256 below = _mm256_cmp_ps(p, low, _CMP_LT_OQ);
    const __m256 above = _mm256_cmp_ps(p, high, _CMP_GE_OQ);
    const __m256 never = _mm256_set1_ps(1.0e9f);
    const __m256 s = _mm256_set1_ps(slack), one = _mm256_set1_ps(1.0f);
    __m256 steps = _mm256_setzero_ps();
    if (d > 0.0f) {
        const __m256 up = _mm256_sub_ps(
            _mm256_div_ps(_mm256_sub_ps(_mm256_sub_ps(low, p), s), _mm256_set1_ps(d)), one);
        steps = _mm256_blendv_ps(_mm256_blendv_ps(steps, never, above), up, below);
    } else if (d < 0.0f) {
        const __m256 down = _mm256_sub_ps(
            _mm256_div_ps(_mm256_sub_ps(_mm256_sub_ps(p, high), s), _mm256_set1_ps(-d)), one);
        steps = _mm256_blendv_ps(_mm256_blendv_ps(steps, never, below), down, above);
    } else if (d == 0.0f) {
        steps = _mm256_blendv_ps(steps, never, _mm256_or_ps(below, above));
    }
    // Far out, the rounding of the additions is larger than the slack allows.
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), p);
    return _mm256_blendv_ps(steps, _mm256_setzero_ps(),
                            _mm256_cmp_ps(magnitude, _mm256_set1_ps(near), _CMP_NLT_UQ));
}

// All ones in the lanes set in `lanes` (bit k for lane k), zero elsewhere.
CALYRA_AVX2 inline __m256i LaneMask(unsigned lanes) {
    const __m256i bit = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_cmpeq_epi32(
        _mm256_and_si256(_mm256_set1_epi32(static_cast<std::int32_t>(lanes)), bit), bit);
}

// The least value of the lanes set in `lanes` (bit k for lane k), values
// below 2^31; 2^31 - 1 when no lane is set.
CALYRA_AVX2 inline std::int32_t LeastActive(__m256i values, unsigned lanes) {
    __m256i m = _mm256_blendv_epi8(_mm256_set1_epi32(0x7FFFFFFF), values, LaneMask(lanes));
    m = _mm256_min_epi32(m, _mm256_permute2x128_si256(m, m, 1));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0x4E));
    m = _mm256_min_epi32(m, _mm256_shuffle_epi32(m, 0xB1));
    return _mm256_cvtsi256_si32(m);
}

// Lanes outside the volume that move away from it on this axis for good.
CALYRA_AVX2 inline __m256 Leaving(__m256 p, float d, __m256 low, __m256 high) {
    __m256 m = _mm256_setzero_ps();
    if (d <= 0.0f) m = _mm256_or_ps(m, _mm256_cmp_ps(p, low, _CMP_LT_OQ));
    if (d >= 0.0f) m = _mm256_or_ps(m, _mm256_cmp_ps(p, high, _CMP_GE_OQ));
    return m;
}

// The volume as the lanes test against it: the last cell index on each axis
// (Within(index, last) for a cell inside) and the far bound of the positions
// (the near bound is 1).
struct LaneVolume {
    __m256i lastX, lastY, lastZ;
    __m256 highX, highY, highZ;
    CALYRA_AVX2 __m256i Inside(__m256i ix, __m256i iy, __m256i iz) const {
        return _mm256_and_si256(_mm256_and_si256(Within(ix, lastX), Within(iy, lastY)),
                                Within(iz, lastZ));
    }
    CALYRA_AVX2 static __m256 Low() { return _mm256_set1_ps(1.0f); }
    CALYRA_AVX2 __m256 LowX() const { return Low(); }
    CALYRA_AVX2 __m256 LowY() const { return Low(); }
    CALYRA_AVX2 __m256 LowZ() const { return Low(); }
};
CALYRA_AVX2 inline LaneVolume LaneVolumeOf(const VolumeSampler& s) {
    return {_mm256_set1_epi32(s.dimX - 2),
            _mm256_set1_epi32(s.dimY - 2),
            _mm256_set1_epi32(s.dimZ - 2),
            _mm256_set1_ps(static_cast<float>(s.dimX)),
            _mm256_set1_ps(static_cast<float>(s.dimY)),
            _mm256_set1_ps(static_cast<float>(s.dimZ))};
}

// Whether below < index < end (truncation's 0x80000000 for NaN and far
// positions is below every bound).
CALYRA_AVX2 inline __m256i Between(__m256i index, __m256i below, __m256i end) {
    return _mm256_and_si256(_mm256_cmpgt_epi32(index, below), _mm256_cmpgt_epi32(end, index));
}

// The crop box as the lanes test against it: cells below < index < end,
// compared with sign so that an empty range keeps nothing, and the kept
// positions [low, high).
struct CutLaneVolume {
    __m256i belowX, belowY, belowZ, endX, endY, endZ;
    __m256 lowX, lowY, lowZ, highX, highY, highZ;
    CALYRA_AVX2 __m256i Inside(__m256i ix, __m256i iy, __m256i iz) const {
        return _mm256_and_si256(
            _mm256_and_si256(Between(ix, belowX, endX), Between(iy, belowY, endY)),
            Between(iz, belowZ, endZ));
    }
    CALYRA_AVX2 __m256 LowX() const { return lowX; }
    CALYRA_AVX2 __m256 LowY() const { return lowY; }
    CALYRA_AVX2 __m256 LowZ() const { return lowZ; }
};
CALYRA_AVX2 inline CutLaneVolume CutLaneVolumeOf(const VolumeSampler& s) {
    const SampleCut& c = s.cut;
    return {_mm256_set1_epi32(c.first.x - 1), _mm256_set1_epi32(c.first.y - 1),
            _mm256_set1_epi32(c.first.z - 1), _mm256_set1_epi32(c.end.x),
            _mm256_set1_epi32(c.end.y),       _mm256_set1_epi32(c.end.z),
            _mm256_set1_ps(c.low.x),          _mm256_set1_ps(c.low.y),
            _mm256_set1_ps(c.low.z),          _mm256_set1_ps(c.high.x),
            _mm256_set1_ps(c.high.y),         _mm256_set1_ps(c.high.z)};
}

// The bounds of a march without a cut (the volume) or with one (the box).
template <bool kCut>
using LaneBounds = std::conditional_t<kCut, CutLaneVolume, LaneVolume>;
template <bool kCut>
CALYRA_AVX2 inline LaneBounds<kCut> LaneBoundsOf(const VolumeSampler& s) {
    if constexpr (kCut) {
        return CutLaneVolumeOf(s);
    } else {
        return LaneVolumeOf(s);
    }
}

// One step of every lane: the positions move on by one addition, ix, iy, iz
// become their truncated cells, and the result says which lanes are inside
// the bounds.
template <typename Bounds>
CALYRA_AVX2 inline __m256i StepAndLocate(__m256& px, __m256& py, __m256& pz, __m256 dx, __m256 dy,
                                         __m256 dz, const Bounds& v, __m256i& ix, __m256i& iy,
                                         __m256i& iz) {
    px = _mm256_add_ps(px, dx);
    py = _mm256_add_ps(py, dy);
    pz = _mm256_add_ps(pz, dz);
    ix = _mm256_cvttps_epi32(px);
    iy = _mm256_cvttps_epi32(py);
    iz = _mm256_cvttps_epi32(pz);
    return v.Inside(ix, iy, iz);
}

// The lanes whose positions lie in the clip plane's kept half: the same
// float operations in the same order as SampleCut::KeepsPlane.
CALYRA_AVX2 inline __m256 PlaneKeeps(__m256 px, __m256 py, __m256 pz, const SampleCut& c) {
    const __m256 ax =
        _mm256_mul_ps(_mm256_set1_ps(c.normal.x), _mm256_sub_ps(px, _mm256_set1_ps(c.origin.x)));
    const __m256 ay =
        _mm256_mul_ps(_mm256_set1_ps(c.normal.y), _mm256_sub_ps(py, _mm256_set1_ps(c.origin.y)));
    const __m256 az =
        _mm256_mul_ps(_mm256_set1_ps(c.normal.z), _mm256_sub_ps(pz, _mm256_set1_ps(c.origin.z)));
    const __m256 d = _mm256_add_ps(_mm256_add_ps(ax, ay), az);
    return _mm256_cmp_ps(d, _mm256_setzero_ps(), _CMP_GE_OQ);
}

// The positions of count <= kRayLanes rays from origins; the lanes past
// count start where the first does.
CALYRA_AVX2 inline void LoadOrigins(const Point3* origins, int count, __m256& px, __m256& py,
                                    __m256& pz) {
    alignas(32) float lx[kRayLanes], ly[kRayLanes], lz[kRayLanes];
    for (int k = 0; k < kRayLanes; ++k) {
        const Point3& o = origins[k < count ? k : 0];
        lx[k] = o.x;
        ly[k] = o.y;
        lz[k] = o.z;
    }
    px = _mm256_load_ps(lx), py = _mm256_load_ps(ly), pz = _mm256_load_ps(lz);
}

// The lanes (bit k for lane k) outside the bounds that move away from them
// on some axis, and so never come back.
template <typename Bounds>
CALYRA_AVX2 inline unsigned LeavingLanes(__m256 px, __m256 py, __m256 pz, const Point3& d,
                                         const Bounds& v) {
    const __m256 away = _mm256_or_ps(
        _mm256_or_ps(Leaving(px, d.x, v.LowX(), v.highX), Leaving(py, d.y, v.LowY(), v.highY)),
        Leaving(pz, d.z, v.LowZ(), v.highZ));
    return static_cast<unsigned>(_mm256_movemask_ps(away));
}

// Lanes all outside (the volume, or the crop box): none can reach a loud
// sample before it is inside on every axis. The steps the lanes set in `active` may take by
// additions alone for that, at most kMostSkipped and at most `left`.
template <typename Bounds>
CALYRA_AVX2 inline std::int32_t StepsToEnter(__m256 px, __m256 py, __m256 pz, const Point3& d,
                                             const Bounds& v, const RayLanesPlan& plan,
                                             unsigned active, std::int32_t left) {
    const __m256 entry =
        _mm256_max_ps(_mm256_max_ps(EntrySteps(px, d.x, v.LowX(), v.highX, plan.slack, plan.near),
                                    EntrySteps(py, d.y, v.LowY(), v.highY, plan.slack, plan.near)),
                      EntrySteps(pz, d.z, v.LowZ(), v.highZ, plan.slack, plan.near));
    const __m256 bounded =
        _mm256_min_ps(_mm256_max_ps(entry, _mm256_setzero_ps()),
                      _mm256_set1_ps(static_cast<float>(RayLanesPlan::kMostSkipped)));
    return std::min(LeastActive(_mm256_cvttps_epi32(bounded), active), left);
}

// Lanes in cells (ix, iy, iz) none of whose samples matters: the steps the
// lanes set in `active` may take by additions alone among the quiet bricks
// around them (plan.skip of the least reach), at most `left`. Only the lanes
// in `inside` read the reach table.
CALYRA_AVX2 inline std::int32_t StepsQuiet(const BrickMap& bricks, const RayLanesPlan& plan,
                                           __m256i ix, __m256i iy, __m256i iz, __m256i inside,
                                           unsigned active, std::int32_t left) {
    const __m256i reach = _mm256_and_si256(
        _mm256_mask_i32gather_epi32(_mm256_setzero_si256(),
                                    reinterpret_cast<const int*>(bricks.ReachTable()),
                                    BrickIndex(ix, iy, iz, _mm256_set1_epi32(bricks.BricksPerX()),
                                               _mm256_set1_epi32(bricks.BricksPerY())),
                                    inside, 1),
        _mm256_set1_epi32(0xFF));
    return std::min(plan.skip[LeastActive(reach, active)], left);
}

}  // namespace calyra::lanes

#endif
