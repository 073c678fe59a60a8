#include "render/ray_lanes.h"

#include <algorithm>
#include <cmath>

#include "render/brick_map.h"
#include "render/lane_math.h"
#include "render/lane_samples.h"
#include "render/ray_context.h"
#include "render/ray_sample.h"

namespace calyra {

bool RayLanesSupported() {
#ifdef CALYRA_RAY_LANES
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool RayLanesFit(const RayContext& c) {
    return TraitsOf(c.type).vectorLanes && c.quietLimit >= 0 && c.bricks && c.bricks->HasCells();
}

RayLanesPlan PlanRayLanes(const RayContext& c, const Point3& rayDir) {
    // A lane whose brick has reach r stays among quiet bricks for at least
    // 4 (r - 1) voxels along every axis, whatever its place in the brick:
    // skip[r] steps certainly stay there, with room for the rounding of the
    // float additions on the way (at most half an ulp each).
    RayLanesPlan plan;
    const VolumeSampler& s = c.sampler;
    constexpr int kBrick = 1 << BrickMap::kShift;
    const double stride = std::max(
        {std::fabs(double{rayDir.x}), std::fabs(double{rayDir.y}), std::fabs(double{rayDir.z})});
    if (!(stride > 0.0) || !std::isfinite(stride)) return plan;
    const double largest = std::max({s.dimX, s.dimY, s.dimZ}) + 1.0;
    const double slack = (RayLanesPlan::kMostSkipped + 2) * largest * 0x1p-22;
    // Outside lanes skip only within four times the volume's size, where
    // every coordinate on the way stays below `reach`.
    plan.near = static_cast<float>(4.0 * largest);
    const double reach = 4.0 * largest + RayLanesPlan::kMostSkipped * stride + 2.0;
    plan.slack = static_cast<float>((RayLanesPlan::kMostSkipped + 2) * reach * 0x1p-22 + 1e-3);
    for (int r = 2; r <= BrickMap::kFarReach; ++r) {
        const double steps = (kBrick * (r - 1) - slack) / stride - 1.0;
        plan.skip[r] = steps >= RayLanesPlan::kMostSkipped ? RayLanesPlan::kMostSkipped
                       : steps > 0.0                       ? static_cast<std::int32_t>(steps)
                                                           : 0;
    }
    return plan;
}

#ifdef CALYRA_RAY_LANES

using namespace lanes;

namespace {

// Takes the sample of a lane that may matter, in cell (ix, iy, iz) at
// half-voxel position `corner`, by the one-ray rules. True when the ray is
// finished, with its result set. One copy for each march, so that each
// march has its own, called once and inlined there.
template <bool kCut>
bool TakeSample(const RayContext& c, RayProgress& progress, const Point3& p, std::int32_t ix,
                std::int32_t iy, std::int32_t iz, std::int32_t corner, const Point3& lightHalfway,
                std::uint32_t i, std::int32_t stepCount, RayResult& result) {
    const VolumeSampler& s = c.sampler;
    const VolumeSampler::Cell cell = s.CellAt(ix, iy, iz, corner, Lookup::Sample);
    const std::uint8_t* v = s.Voxel(cell.ix, cell.iy, cell.iz);
    // With trilinear samples the sample and its gradient share the voxels
    // and partial sums.
    const VolumeSampler::Partials q =
        s.trilinear ? s.PartialSums(v, cell.fx, cell.fy, cell.fz) : VolumeSampler::Partials{};
    const std::uint32_t sample = s.trilinear ? static_cast<std::uint32_t>(q.sum) / 8u : *v;
    const bool quiet = static_cast<std::int32_t>(sample) <= c.quietLimit;
    const auto gradient = [&] {
        return !s.trilinear || GradientCellDiffers(s, cell) ? SampleGradient(s, p, cell)
                                                            : s.GradientFromSums(v, cell, q);
    };
    const bool finished = ApplySample(c, progress, sample, true, quiet, p, gradient, lightHalfway,
                                      i, stepCount, result);
    if (finished) return true;
    if (!OpacitySpent(c, progress)) return false;
    // The one-ray march stops at the next step, or runs out of steps first.
    const bool nextStep = static_cast<std::int64_t>(i) + 1 < stepCount;
    result = {progress.acc, nextStep ? static_cast<std::int32_t>(i + 2) : 0};
    return true;
}

// The lanes' march; with kCut the crop box bounds the lanes and the clip
// plane drops the samples it cuts.
template <bool kCut>
CALYRA_AVX2 void MarchLanes(const RayContext& c, const RayLanesPlan& plan, const Point3* origins,
                            int count, const Point3& rayDir, const Point3& lightHalfway,
                            std::int32_t stepCount, RayResult* results) {
    const VolumeSampler& s = c.sampler;
    const BrickMap& bricks = *c.bricks;
    __m256 px, py, pz;
    LoadOrigins(origins, count, px, py, pz);
    const __m256 dx = _mm256_set1_ps(rayDir.x), dy = _mm256_set1_ps(rayDir.y),
                 dz = _mm256_set1_ps(rayDir.z);
    const LaneBounds<kCut> volume = LaneBoundsOf<kCut>(s);
    const __m256i strideX = _mm256_set1_epi32(static_cast<std::int32_t>(bricks.CellStrideX()));
    const __m256i strideY = _mm256_set1_epi32(bricks.CellStrideY());
    const int* table = reinterpret_cast<const int*>(bricks.CellTable());

    // Steps taken by additions alone, as many as n says (none when n <= 0).
    std::int32_t i = 0;
    auto advance = [&](std::int32_t n) CALYRA_AVX2 { AddSteps(px, py, pz, dx, dy, dz, n, i); };
    RayProgress progress[kRayLanes];
    // Transparent rays with trilinear samples take theirs eight at a time,
    // with their state here instead of in progress.
    const bool vectorSamples = TransparentLanesFit(c);
    TransparentLanes state;
    std::fill(std::begin(state.t), std::end(state.t), RayProgress{}.t);
    std::fill(std::begin(state.acc), std::end(state.acc), RayProgress{}.acc);
    auto end = [&](int k) {
        return vectorSamples ? RayResult{state.acc[k], 0} : RayEnd(c, progress[k]);
    };
    std::int32_t nextSkipTry = 0;
    unsigned active = (1u << count) - 1u;
    for (; i < stepCount && active != 0; ++i) {
        __m256i ix, iy, iz;
        const __m256i inside = StepAndLocate(px, py, pz, dx, dy, dz, volume, ix, iy, iz);
        const unsigned outside =
            ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(inside))) & active;
        if (outside == active) {
            // Outside samples are 0 and change nothing. Lanes are only let
            // go here, when none is inside: until then the others march on
            // anyway.
            const unsigned gone = LeavingLanes(px, py, pz, rayDir, volume) & outside;
            for (unsigned m = gone; m != 0; m &= m - 1) {
                const int k = __builtin_ctz(m);
                results[k] = end(k);
            }
            active &= ~gone;
            if (active == 0) break;
            advance(StepsToEnter(px, py, pz, rayDir, volume, plan, active, stepCount - 1 - i));
            continue;
        }
        const __m256i index = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(ix, strideX), _mm256_mullo_epi32(iy, strideY)), iz);
        const __m256i bytes =
            _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), table, index, inside, 1);
        // Most steps meet cells none of whose samples matters.
        if (_mm256_testz_si256(bytes, bytes)) {
            if (outside != 0 || i < nextSkipTry) continue;
            // Every lane inside and quiet: when all are among quiet bricks,
            // run on by additions only. Finished lanes march on anywhere.
            const std::int32_t n =
                StepsQuiet(bricks, plan, ix, iy, iz, inside, active, stepCount - 1 - i);
            // After a miss the lanes are near a loud brick for a while.
            if (n <= 0) nextSkipTry = i + 4;
            advance(n);
            continue;
        }
        __m256i bits = bytes;
        __m256i corner = _mm256_setzero_si256();
        if (s.trilinear) {
            corner = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(HalfVoxel(px, ix), 2),
                                                     _mm256_slli_epi32(HalfVoxel(py, iy), 1)),
                                     HalfVoxel(pz, iz));
            bits = _mm256_srlv_epi32(bits, corner);
        }
        unsigned loud = static_cast<unsigned>(
                            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(bits, 31)))) &
                        active;
        // The few samples that may matter are tested against the clip plane;
        // a cut one is 0 and changes nothing, as the quiet ones.
        if constexpr (kCut) {
            if (loud != 0 && s.cut.clip) {
                loud &= static_cast<unsigned>(_mm256_movemask_ps(PlaneKeeps(px, py, pz, s.cut)));
            }
        }
        if (loud == 0) continue;
        if (vectorSamples && TransparentSamples(c, state, px, py, pz, ix, iy, iz, corner, loud,
                                                lightHalfway, i, stepCount, active, results)) {
            continue;
        }
        alignas(32) float lx[kRayLanes], ly[kRayLanes], lz[kRayLanes];
        _mm256_store_ps(lx, px);
        _mm256_store_ps(ly, py);
        _mm256_store_ps(lz, pz);
        alignas(32) std::int32_t cx[kRayLanes], cy[kRayLanes], cz[kRayLanes], cc[kRayLanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(cx), ix);
        _mm256_store_si256(reinterpret_cast<__m256i*>(cy), iy);
        _mm256_store_si256(reinterpret_cast<__m256i*>(cz), iz);
        _mm256_store_si256(reinterpret_cast<__m256i*>(cc), corner);
        for (unsigned m = loud; m != 0; m &= m - 1) {
            const int k = __builtin_ctz(m);
            if (vectorSamples) progress[k].t = state.t[k], progress[k].acc = state.acc[k];
            if (TakeSample<kCut>(c, progress[k], Point3{lx[k], ly[k], lz[k]}, cx[k], cy[k], cz[k],
                                 cc[k], lightHalfway, static_cast<std::uint32_t>(i), stepCount,
                                 results[k])) {
                active &= ~(1u << k);
            }
            if (vectorSamples) state.t[k] = progress[k].t, state.acc[k] = progress[k].acc;
        }
    }
    for (unsigned m = active; m != 0; m &= m - 1) {
        const int k = __builtin_ctz(m);
        results[k] = end(k);
    }
}

}  // namespace

void CastRayLanes(const RayContext& c, const RayLanesPlan& plan, const Point3* origins, int count,
                  const Point3& rayDir, const Point3& lightHalfway, std::int32_t stepCount,
                  RayResult* results) {
    if (c.sampler.cut.active) {
        MarchLanes<true>(c, plan, origins, count, rayDir, lightHalfway, stepCount, results);
    } else {
        MarchLanes<false>(c, plan, origins, count, rayDir, lightHalfway, stepCount, results);
    }
}

#else

void CastRayLanes(const RayContext& c, const RayLanesPlan&, const Point3* origins, int count,
                  const Point3& rayDir, const Point3& lightHalfway, std::int32_t stepCount,
                  RayResult* results) {
    for (int k = 0; k < count; ++k) {
        results[k] = CastRay(c, origins[k], rayDir, lightHalfway, stepCount);
    }
}

#endif

}  // namespace calyra
