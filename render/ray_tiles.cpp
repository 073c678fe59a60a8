#include "render/ray_tiles.h"

#include <algorithm>
#include <cmath>

#include "render/brick_map.h"
#include "render/lane_math.h"
#include "render/ray_context.h"

namespace calyra {

namespace {

// Steps each vector takes before the next vector of the tile takes its
// turn: the voxels of one slab of the tile stay in the second-level cache.
constexpr std::int32_t kSlabSteps = 32;
// How many steps ahead of the lanes their voxels are asked for.
constexpr std::int32_t kPrefetch = 16;

// The furthest byte a sample may read from its cell's first voxel, for the
// 32-bit vector offsets.
bool OffsetsFit(const VolumeSampler& s) {
    const std::int64_t last = std::int64_t{s.dimX} * s.xStride + std::int64_t{s.dimY} * s.yStride +
                              std::int64_t{s.dimZ} + 4;
    return last < std::int64_t{0x7FFFFFFF};
}

// Whether the rays of the context's type fold every sample, in any order.
bool FoldsEverySample(const RayContext& c) {
    switch (c.type) {
        case RenderType::Transparent:
            return c.plainSum;
        case RenderType::Maximum:
        case RenderType::Minimum:
        case RenderType::Average:
            // A sample counts above the threshold, which for the integer
            // samples is above the quiet limit; a threshold that is not a
            // number counts none, which that test cannot say.
            return !std::isnan(c.hitLevel);
        case RenderType::Surface:
        case RenderType::Slice:
        case RenderType::Composite:
            return false;
    }
    return false;
}

}  // namespace

bool RayTilesFit(const RayContext& c) {
    const VolumeSampler& s = c.sampler;
    return FoldsEverySample(c) && s.base && s.dimX >= 2 && s.dimY >= 2 && s.dimZ >= 2 &&
           OffsetsFit(s) && RayLanesSupported();
}

namespace {

// The tile's rays one by one, where the vectors cannot fold them.
[[maybe_unused]] void CastEachRay(const RayContext& c, const Point3* const* rowOrigins, int rows,
                                  int columns, const Point3& rayDir, std::int32_t stepCount,
                                  RayResult* results) {
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < columns; ++k) {
            results[r * kTileColumns + k] =
                CastRay(c, rowOrigins[r][k], rayDir, Point3{}, stepCount);
        }
    }
}

}  // namespace

#ifdef CALYRA_RAY_LANES

using namespace lanes;

namespace {

// What a vector of rays has folded so far: the value, how many samples
// counted and the depth the rays report.
struct FoldState {
    __m256i acc, count, depth;
};

// How a type folds the samples of a ray into its result. Add(state, sample,
// counted, step) takes the samples of one step (0 outside the inside
// cells); `counted` marks the lanes whose sample counts (inside and above
// the quiet limit), `step` is the depth a sample there reports. Settled()
// names the lanes no later sample can change; Result() gives one lane's.
struct SumFold {
    // Unsigned 32-bit sums wrap as the one-ray march's do.
    CALYRA_AVX2 static void Add(FoldState& f, __m256i sample, __m256i, __m256i) {
        f.acc = _mm256_add_epi32(f.acc, sample);
    }
    CALYRA_AVX2 static unsigned Settled(const FoldState&, std::int32_t) { return 0; }
    static RayResult Result(std::uint32_t acc, std::uint32_t, std::int32_t) { return {acc, 0}; }
};

// Maximum and Minimum: the first counted sample, then each one beyond the
// extreme so far, sets the value and the depth.
template <bool kMaximum>
struct ExtremeFold {
    CALYRA_AVX2 static void Add(FoldState& f, __m256i sample, __m256i counted, __m256i step) {
        const __m256i first = _mm256_cmpeq_epi32(f.count, _mm256_setzero_si256());
        const __m256i beyond =
            kMaximum ? _mm256_cmpgt_epi32(sample, f.acc) : _mm256_cmpgt_epi32(f.acc, sample);
        const __m256i take = _mm256_and_si256(counted, _mm256_or_si256(first, beyond));
        f.acc = _mm256_blendv_epi8(f.acc, sample, take);
        f.depth = _mm256_blendv_epi8(f.depth, step, take);
        f.count = _mm256_sub_epi32(f.count, counted);
    }
    // A maximum of 255 cannot grow; a minimum at the least counted value
    // cannot shrink.
    CALYRA_AVX2 static unsigned Settled(const FoldState& f, std::int32_t leastCounted) {
        const __m256i some = _mm256_cmpgt_epi32(f.count, _mm256_setzero_si256());
        const __m256i final = kMaximum
                                  ? _mm256_cmpgt_epi32(f.acc, _mm256_set1_epi32(254))
                                  : _mm256_cmpgt_epi32(_mm256_set1_epi32(leastCounted + 1), f.acc);
        return static_cast<unsigned>(
            _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(some, final))));
    }
    static RayResult Result(std::uint32_t acc, std::uint32_t, std::int32_t depth) {
        return {acc, depth};
    }
};

// Average: the counted samples' sum over their number, at the depth of the
// first; the 32-bit sums cannot wrap within kMostAveragedSteps steps.
struct AverageFold {
    CALYRA_AVX2 static void Add(FoldState& f, __m256i sample, __m256i counted, __m256i step) {
        const __m256i first =
            _mm256_and_si256(counted, _mm256_cmpeq_epi32(f.count, _mm256_setzero_si256()));
        f.depth = _mm256_blendv_epi8(f.depth, step, first);
        f.acc = _mm256_add_epi32(f.acc, _mm256_and_si256(sample, counted));
        f.count = _mm256_sub_epi32(f.count, counted);
    }
    CALYRA_AVX2 static unsigned Settled(const FoldState&, std::int32_t) { return 0; }
    static RayResult Result(std::uint32_t acc, std::uint32_t count, std::int32_t depth) {
        if (count == 0) return {0, 0};
        return {acc / count, depth};
    }
};
constexpr std::int32_t kMostAveragedSteps = 1 << 24;

// One vector of a tile: eight rays' positions, folded values and progress.
struct Lanes {
    __m256 px, py, pz;
    FoldState fold;
    std::int32_t i = 0;  // steps taken
    std::int32_t nextSkipTry = 0;
    unsigned active = 0;  // lanes still marching
};

// What every vector of a render shares.
struct March {
    const VolumeSampler& s;
    const BrickMap* bricks;
    const RayLanesPlan& plan;
    Point3 d;
    std::int32_t stepCount;
    std::int32_t quietLimit;
    std::int32_t leastCounted;
};

// The byte offsets of cells (ix, iy, iz) from the store's base, and the
// lanes whose cell reads the mirrored half.
struct CellOffsets {
    __m256i offset, mirrored;
};
CALYRA_AVX2 inline CellOffsets Offsets(const VolumeSampler& s, __m256i ix, __m256i iy, __m256i iz) {
    __m256i z = iz;
    __m256i mirrored = _mm256_setzero_si256();
    if (s.mirror) {
        // The upper half reads the slices below the middle, turned round.
        mirrored = _mm256_cmpgt_epi32(iz, _mm256_set1_epi32(s.halfZ));
        z = _mm256_blendv_epi8(iz, _mm256_sub_epi32(_mm256_set1_epi32(s.dimZ - 1), iz), mirrored);
    }
    const __m256i offset = _mm256_add_epi32(
        _mm256_add_epi32(
            _mm256_mullo_epi32(ix, _mm256_set1_epi32(static_cast<std::int32_t>(s.xStride))),
            _mm256_mullo_epi32(iy, _mm256_set1_epi32(static_cast<std::int32_t>(s.yStride)))),
        z);
    return {offset, mirrored};
}

// Asks the cache for the voxels of the cells at q, a few steps ahead of
// the lanes: far apart in the store, they come too late when first read.
CALYRA_AVX2 inline void Prefetch(const VolumeSampler& s, __m256 qx, __m256 qy, __m256 qz) {
    const CellOffsets c =
        Offsets(s, _mm256_cvttps_epi32(qx), _mm256_cvttps_epi32(qy), _mm256_cvttps_epi32(qz));
    alignas(32) std::int32_t at[kRayLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), c.offset);
    for (int k = 0; k < kRayLanes; ++k)
        _mm_prefetch(reinterpret_cast<const char*>(s.base + at[k]), _MM_HINT_T0);
}

// The samples of the lanes set in `inside`, whose cells are (ix, iy, iz),
// by the sampler's rules: the voxel itself, or the trilinear sum of the
// cell's eight voxels at the half-voxel position.
template <bool kTrilinear>
CALYRA_AVX2 inline __m256i Samples(const VolumeSampler& s, __m256 px, __m256 py, __m256 pz,
                                   __m256i ix, __m256i iy, __m256i iz, __m256i inside) {
    const auto [offset, mirrored] = Offsets(s, ix, iy, iz);
    const __m256i zero = _mm256_setzero_si256();
    if (!kTrilinear) {
        // Four bytes ending at the voxel: a cell inside has more than three
        // bytes of the store before it.
        const int* at = reinterpret_cast<const int*>(s.base - 3);
        return _mm256_srli_epi32(_mm256_mask_i32gather_epi32(zero, at, offset, inside, 1), 24);
    }
    // Each gather brings the voxel pair (z, z + 1) of one of the cell's four
    // z-rows in its two upper bytes.
    const int* at = reinterpret_cast<const int*>(s.base - 2);
    const __m256i dy = _mm256_set1_epi32(static_cast<std::int32_t>(s.yStride));
    const __m256i dx = _mm256_set1_epi32(static_cast<std::int32_t>(s.xStride));
    const __m256i r00 = _mm256_mask_i32gather_epi32(zero, at, offset, inside, 1);
    const __m256i r01 =
        _mm256_mask_i32gather_epi32(zero, at, _mm256_add_epi32(offset, dy), inside, 1);
    const __m256i r10 =
        _mm256_mask_i32gather_epi32(zero, at, _mm256_add_epi32(offset, dx), inside, 1);
    const __m256i r11 = _mm256_mask_i32gather_epi32(
        zero, at, _mm256_add_epi32(offset, _mm256_add_epi32(dx, dy)), inside, 1);
    const __m256i two = _mm256_set1_epi32(2);
    const __m256i fx = HalfVoxel(px, ix), fy = HalfVoxel(py, iy);
    __m256i fz = HalfVoxel(pz, iz);
    if (s.mirror) fz = _mm256_blendv_epi8(fz, _mm256_sub_epi32(two, fz), mirrored);
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i z0 = _mm256_sub_epi32(two, fz), z1 = fz;
    auto alongZ = [&](__m256i row) CALYRA_AVX2 {
        return _mm256_add_epi32(
            _mm256_mullo_epi32(z0, _mm256_and_si256(_mm256_srli_epi32(row, 16), byte)),
            _mm256_mullo_epi32(z1, _mm256_srli_epi32(row, 24)));
    };
    auto blend = [&](__m256i f, __m256i a, __m256i b) CALYRA_AVX2 {
        return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(two, f), a),
                                _mm256_mullo_epi32(f, b));
    };
    const __m256i y0 = blend(fy, alongZ(r00), alongZ(r01));
    const __m256i y1 = blend(fy, alongZ(r10), alongZ(r11));
    return _mm256_srli_epi32(blend(fx, y0, y1), 3);
}

// Marches the lanes on until they have taken `end` steps (or all of theirs),
// folding every sample. Quiet stretches are passed by additions alone, as
// the vector-lane march passes them.
// With kCut the crop box bounds the lanes and the clip plane takes the
// samples it cuts out of `inside`.
template <typename Fold, bool kTrilinear, bool kCut>
CALYRA_AVX2 void MarchLanes(const March& m, Lanes& g, std::int32_t end) {
    const VolumeSampler& s = m.s;
    const __m256 dx = _mm256_set1_ps(m.d.x), dy = _mm256_set1_ps(m.d.y), dz = _mm256_set1_ps(m.d.z);
    const LaneBounds<kCut> volume = LaneBoundsOf<kCut>(s);
    __m256 px = g.px, py = g.py, pz = g.pz;
    FoldState fold = g.fold;
    const __m256i quiet = _mm256_set1_epi32(m.quietLimit);
    std::int32_t i = g.i;
    unsigned active = g.active;
    __m256i activeLanes = LaneMask(active);
    const std::int32_t stop = std::min(end, m.stepCount);
    const __m256 ahead = _mm256_set1_ps(static_cast<float>(kPrefetch));
    auto advance = [&](std::int32_t n) CALYRA_AVX2 { AddSteps(px, py, pz, dx, dy, dz, n, i); };
    for (; i < stop && active != 0; ++i) {
        __m256i ix, iy, iz;
        __m256i inside = _mm256_and_si256(StepAndLocate(px, py, pz, dx, dy, dz, volume, ix, iy, iz),
                                          activeLanes);
        if constexpr (kCut) {
            if (s.cut.clip) {
                inside =
                    _mm256_and_si256(inside, _mm256_castps_si256(PlaneKeeps(px, py, pz, s.cut)));
            }
        }
        if (_mm256_testz_si256(inside, inside)) {
            // Outside samples are 0: the lanes that leave for good stop, the
            // others need not sample until one of them enters.
            active &= ~LeavingLanes(px, py, pz, m.d, volume);
            activeLanes = LaneMask(active);
            if (active == 0) break;
            advance(StepsToEnter(px, py, pz, m.d, volume, m.plan, active, m.stepCount - 1 - i));
            continue;
        }
        Prefetch(s, _mm256_add_ps(px, _mm256_mul_ps(dx, ahead)),
                 _mm256_add_ps(py, _mm256_mul_ps(dy, ahead)),
                 _mm256_add_ps(pz, _mm256_mul_ps(dz, ahead)));
        const __m256i sample = Samples<kTrilinear>(s, px, py, pz, ix, iy, iz, inside);
        const __m256i counted = _mm256_and_si256(inside, _mm256_cmpgt_epi32(sample, quiet));
        Fold::Add(fold, sample, counted, _mm256_set1_epi32(i + 1));
        if (!m.bricks || i < g.nextSkipTry || !_mm256_testz_si256(counted, counted) ||
            !_mm256_testc_si256(inside, activeLanes)) {
            continue;
        }
        // Every lane inside with a quiet sample: when all are among quiet
        // bricks, run on by additions only.
        const std::int32_t n =
            StepsQuiet(*m.bricks, m.plan, ix, iy, iz, inside, active, m.stepCount - 1 - i);
        // After a miss the lanes are near a loud brick for a while.
        if (n <= 0) g.nextSkipTry = i + 4;
        advance(n);
    }
    g.px = px, g.py = py, g.pz = pz;
    g.fold = fold;
    g.i = i;
    active &= ~Fold::Settled(fold, m.leastCounted);
    g.active = i < m.stepCount ? active : 0;
}

template <typename Fold, bool kTrilinear, bool kCut>
CALYRA_AVX2 void CastTile(const March& m, const Point3* const* rowOrigins, int rows, int columns,
                          RayResult* results) {
    constexpr int kPerRow = kTileColumns / kRayLanes;
    Lanes tile[kTileRows * kPerRow];
    int count = 0;
    for (int r = 0; r < rows; ++r) {
        for (int first = 0; first < columns; first += kRayLanes) {
            const int n = std::min(kRayLanes, columns - first);
            Lanes& g = tile[count++];
            LoadOrigins(rowOrigins[r] + first, n, g.px, g.py, g.pz);
            g.fold = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
            g.active = (1u << n) - 1u;
        }
    }
    for (std::int32_t end = kSlabSteps;; end += kSlabSteps) {
        bool marching = false;
        for (int k = 0; k < count; ++k) {
            if (tile[k].active == 0) continue;
            MarchLanes<Fold, kTrilinear, kCut>(m, tile[k], end);
            marching = marching || tile[k].active != 0;
        }
        if (!marching) break;
    }
    count = 0;
    for (int r = 0; r < rows; ++r) {
        for (int first = 0; first < columns; first += kRayLanes) {
            alignas(32) std::uint32_t acc[kRayLanes], counts[kRayLanes];
            alignas(32) std::int32_t depth[kRayLanes];
            const FoldState& f = tile[count++].fold;
            _mm256_store_si256(reinterpret_cast<__m256i*>(acc), f.acc);
            _mm256_store_si256(reinterpret_cast<__m256i*>(counts), f.count);
            _mm256_store_si256(reinterpret_cast<__m256i*>(depth), f.depth);
            const int n = std::min(kRayLanes, columns - first);
            for (int k = 0; k < n; ++k)
                results[r * kTileColumns + first + k] = Fold::Result(acc[k], counts[k], depth[k]);
        }
    }
}

template <typename Fold>
void CastTileOf(const March& m, bool trilinear, const Point3* const* rowOrigins, int rows,
                int columns, RayResult* results) {
    const bool cut = m.s.cut.active;
    if (trilinear) {
        if (cut) return CastTile<Fold, true, true>(m, rowOrigins, rows, columns, results);
        CastTile<Fold, true, false>(m, rowOrigins, rows, columns, results);
    } else {
        if (cut) return CastTile<Fold, false, true>(m, rowOrigins, rows, columns, results);
        CastTile<Fold, false, false>(m, rowOrigins, rows, columns, results);
    }
}

}  // namespace

void CastRayTile(const RayContext& c, const RayLanesPlan& plan, const Point3* const* rowOrigins,
                 int rows, int columns, const Point3& rayDir, std::int32_t stepCount,
                 RayResult* results) {
    const March m{c.sampler,
                  c.bricks && c.quietLimit >= 0 ? c.bricks : nullptr,
                  plan,
                  rayDir,
                  stepCount,
                  c.quietLimit,
                  static_cast<std::int32_t>(std::clamp<std::int64_t>(c.leastCounted, -1, 256))};
    const bool trilinear = c.sampler.trilinear;
    switch (c.type) {
        case RenderType::Maximum:
            CastTileOf<ExtremeFold<true>>(m, trilinear, rowOrigins, rows, columns, results);
            return;
        case RenderType::Minimum:
            CastTileOf<ExtremeFold<false>>(m, trilinear, rowOrigins, rows, columns, results);
            return;
        case RenderType::Average:
            if (stepCount < kMostAveragedSteps) {
                CastTileOf<AverageFold>(m, trilinear, rowOrigins, rows, columns, results);
                return;
            }
            break;
        case RenderType::Transparent:
            CastTileOf<SumFold>(m, trilinear, rowOrigins, rows, columns, results);
            return;
        case RenderType::Surface:
        case RenderType::Slice:
        case RenderType::Composite:
            break;
    }
    CastEachRay(c, rowOrigins, rows, columns, rayDir, stepCount, results);
}

#else

void CastRayTile(const RayContext& c, const RayLanesPlan&, const Point3* const* rowOrigins,
                 int rows, int columns, const Point3& rayDir, std::int32_t stepCount,
                 RayResult* results) {
    CastEachRay(c, rowOrigins, rows, columns, rayDir, stepCount, results);
}

#endif

}  // namespace calyra
