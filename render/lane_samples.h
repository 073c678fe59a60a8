// Transparent samples of eight lanes at once, with trilinear samples: the
// same integer sums, the same float operations in the same order,
// as TakeSample and ApplySample make for one lane (render/ray_sample.h), so
// the results are the same bits. Where a lane's numbers would leave the
// ranges in which the vector conversions agree with the one-lane ones, the
// step is left to the one-lane rules.
#pragma once

#include <cstdint>

#include "render/lane_math.h"
#include "render/ray_context.h"
#include "render/ray_sample.h"

#ifdef CALYRA_RAY_LANES

namespace calyra::lanes {

// The running state of eight Transparent rays with a threshold.
struct TransparentLanes {
    alignas(32) float t[kRayLanes];            // the opacity left
    alignas(32) std::uint32_t acc[kRayLanes];  // the brightness summed
};

// Whether the vector samples serve this context: Transparent with a
// threshold, trilinear samples.
inline bool TransparentLanesFit(const RayContext& c) {
    return c.type == RenderType::Transparent && !c.plainSum && c.sampler.trilinear;
}

CALYRA_AVX2 inline __m256i mul(__m256i a, __m256i b) {
    return _mm256_mullo_epi32(a, b);
}
CALYRA_AVX2 inline __m256i add(__m256i a, __m256i b) {
    return _mm256_add_epi32(a, b);
}
CALYRA_AVX2 inline __m256i sub(__m256i a, __m256i b) {
    return _mm256_sub_epi32(a, b);
}

// The eight voxels of each lane's cell: bytes (z, z + 1) of the word read
// two bytes before the cell's voxel, for the four (x, y) corners.
struct LaneVoxels {
    __m256i v000, v001, v010, v011, v100, v101, v110, v111;
};

CALYRA_AVX2 inline LaneVoxels GatherVoxels(const VolumeSampler& s, __m256i offset, __m256i lanes) {
    // Every inside cell lies at least one x step into the store, so the word
    // from two bytes before it is still in it.
    const int* base = reinterpret_cast<const int*>(s.base);
    offset = _mm256_sub_epi32(offset, _mm256_set1_epi32(2));
    const __m256i ys = _mm256_set1_epi32(static_cast<std::int32_t>(s.yStride));
    const __m256i xs = _mm256_set1_epi32(static_cast<std::int32_t>(s.xStride));
    const __m256i zero = _mm256_setzero_si256(), low = _mm256_set1_epi32(0xFF);
    const __m256i w00 = _mm256_mask_i32gather_epi32(zero, base, offset, lanes, 1);
    const __m256i w01 = _mm256_mask_i32gather_epi32(zero, base, add(offset, ys), lanes, 1);
    const __m256i w10 = _mm256_mask_i32gather_epi32(zero, base, add(offset, xs), lanes, 1);
    const __m256i w11 = _mm256_mask_i32gather_epi32(zero, base, add(add(offset, xs), ys), lanes, 1);
    return {_mm256_and_si256(_mm256_srli_epi32(w00, 16), low), _mm256_srli_epi32(w00, 24),
            _mm256_and_si256(_mm256_srli_epi32(w01, 16), low), _mm256_srli_epi32(w01, 24),
            _mm256_and_si256(_mm256_srli_epi32(w10, 16), low), _mm256_srli_epi32(w10, 24),
            _mm256_and_si256(_mm256_srli_epi32(w11, 16), low), _mm256_srli_epi32(w11, 24)};
}

// The lanes whose samples at step i (positions p, cells ix, iy, iz at
// half-voxel position `corner`, in `loud`) may matter, by the Transparent
// rules. Lanes whose opacity runs out are taken from `active`, with their
// results set. False, with nothing changed, when a lane is out of the exact
// ranges: the caller then takes the samples one lane at a time.
CALYRA_AVX2 inline bool TransparentSamples(const RayContext& c, TransparentLanes& state, __m256 px,
                                           __m256 py, __m256 pz, __m256i ix, __m256i iy, __m256i iz,
                                           __m256i corner, unsigned loud,
                                           const Point3& lightHalfway, std::int32_t i,
                                           std::int32_t stepCount, unsigned& active,
                                           RayResult* results) {
    const VolumeSampler& s = c.sampler;
    // No lane arrives with its opacity spent: a lane stops at the sample
    // that spends it, here or in the one-lane rules.
    const __m256i lanes = LaneMask(loud);
    const __m256i one = _mm256_set1_epi32(1), two = _mm256_set1_epi32(2);

    // The cell as CellAt gives it: in the mirrored half, slice dimZ - 1 - iz
    // with the half-voxel position along z turned round. On the middle slice
    // the gradient reads another cell: left to the one-lane rules.
    const __m256i fx = _mm256_srli_epi32(corner, 2);
    const __m256i fy = _mm256_and_si256(_mm256_srli_epi32(corner, 1), one);
    __m256i fz = _mm256_and_si256(corner, one);
    __m256i cellZ = iz;
    if (s.mirror) {
        const __m256i half = _mm256_set1_epi32(s.halfZ);
        const __m256i middle = _mm256_and_si256(_mm256_cmpeq_epi32(iz, half), lanes);
        if (!_mm256_testz_si256(middle, middle)) return false;
        const __m256i mirrored = _mm256_cmpgt_epi32(iz, half);
        cellZ = _mm256_blendv_epi8(iz, sub(_mm256_set1_epi32(s.dimZ - 1), iz), mirrored);
        fz = _mm256_blendv_epi8(fz, sub(two, fz), mirrored);
    }

    // The sample: sums along z, then y, then x, with weights (2 - f, f).
    const __m256i offset =
        add(add(mul(ix, _mm256_set1_epi32(static_cast<std::int32_t>(s.xStride))),
                mul(iy, _mm256_set1_epi32(static_cast<std::int32_t>(s.yStride)))),
            cellZ);
    const LaneVoxels v = GatherVoxels(s, offset, lanes);
    const __m256i x0 = sub(two, fx), y0 = sub(two, fy), z0 = sub(two, fz);
    const __m256i z00 = add(mul(z0, v.v000), mul(fz, v.v001));
    const __m256i z01 = add(mul(z0, v.v010), mul(fz, v.v011));
    const __m256i z10 = add(mul(z0, v.v100), mul(fz, v.v101));
    const __m256i z11 = add(mul(z0, v.v110), mul(fz, v.v111));
    const __m256i s0 = add(mul(y0, z00), mul(fy, z01));
    const __m256i s1 = add(mul(y0, z10), mul(fy, z11));
    const __m256i sample = _mm256_srli_epi32(add(mul(x0, s0), mul(fx, s1)), 3);

    // Samples at or below the quiet limit, or not above the shading level,
    // or with a zero gradient change nothing.
    const __m256i gx = sub(s1, s0);
    const __m256i gy = add(mul(x0, sub(z01, z00)), mul(fx, sub(z11, z10)));
    const __m256i gz =
        add(mul(x0, add(mul(y0, sub(v.v001, v.v000)), mul(fy, sub(v.v011, v.v010)))),
            mul(fx, add(mul(y0, sub(v.v101, v.v100)), mul(fy, sub(v.v111, v.v110)))));
    // Byte voxels keep every gradient component within 1020 in size: the
    // squares add up below 2^22, exactly, in 32 bits.
    const __m256i g2 = add(add(mul(gx, gx), mul(gy, gy)), mul(gz, gz));
    const __m256 level = _mm256_cvtepi32_ps(sample);
    const __m256i loudLevel = _mm256_cmpgt_epi32(sample, _mm256_set1_epi32(c.quietLimit));
    const __m256 shaded = _mm256_cmp_ps(level, _mm256_set1_ps(c.shadeLevel), _CMP_GT_OQ);
    const __m256i sloped =
        _mm256_xor_si256(_mm256_cmpeq_epi32(g2, _mm256_setzero_si256()), _mm256_set1_epi32(-1));
    const __m256 take = _mm256_and_ps(
        _mm256_castsi256_ps(_mm256_and_si256(_mm256_and_si256(lanes, loudLevel), sloped)), shaded);
    const unsigned taken = static_cast<unsigned>(_mm256_movemask_ps(take));

    // The light's weight w = (1 - dot / |g|) / 2.
    const __m256 dot = _mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(lightHalfway.x), _mm256_cvtepi32_ps(gx)),
                      _mm256_mul_ps(_mm256_set1_ps(lightHalfway.y), _mm256_cvtepi32_ps(gy))),
        _mm256_mul_ps(_mm256_set1_ps(lightHalfway.z), _mm256_cvtepi32_ps(gz)));
    const __m256 length = _mm256_sqrt_ps(_mm256_cvtepi32_ps(g2));
    const __m256 w = _mm256_mul_ps(_mm256_sub_ps(_mm256_set1_ps(1.0f), _mm256_div_ps(dot, length)),
                                   _mm256_set1_ps(0.5f));

    // The depth-cued brightness: the position-sum term from its table (sums
    // of inside positions lie within it), less the step term.
    const __m256 sum = _mm256_add_ps(_mm256_add_ps(px, py), pz);
    const __m256i at = _mm256_cvttps_epi32(sum);
    const auto sums = static_cast<std::int32_t>(c.sumCue.size());
    const __m256i inTable = _mm256_and_si256(_mm256_cmpgt_epi32(at, _mm256_set1_epi32(-1)),
                                             _mm256_cmpgt_epi32(_mm256_set1_epi32(sums), at));
    if ((static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(inTable))) & taken) !=
        taken) {
        return false;
    }
    std::int64_t stepTerm = 0;
    if (stepCount > 0) {
        const auto u = static_cast<std::uint32_t>(i);
        stepTerm = stepCount == c.cueSteps && u < c.stepCue.size() ? c.stepCue[u]
                                                                   : StepCue(c, u, stepCount);
    }
    const __m256i takeLanes = _mm256_castps_si256(take);
    const auto* cue = reinterpret_cast<const long long*>(c.sumCue.data());
    const __m256i step = _mm256_set1_epi64x(stepTerm);
    // Lanes not taken read nothing and come out 0.
    const __m256i wideLow = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(takeLanes));
    const __m256i wideHigh = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(takeLanes, 1));
    const __m256i cueLow = _mm256_and_si256(
        _mm256_sub_epi64(_mm256_mask_i32gather_epi64(_mm256_setzero_si256(), cue,
                                                     _mm256_castsi256_si128(at), wideLow, 8),
                         step),
        wideLow);
    const __m256i cueHigh = _mm256_and_si256(
        _mm256_sub_epi64(_mm256_mask_i32gather_epi64(_mm256_setzero_si256(), cue,
                                                     _mm256_extracti128_si256(at, 1), wideHigh, 8),
                         step),
        wideHigh);
    // Negative brightness is 0; one of 2^31 or more is left to the one-lane rules.
    const __m256i limit = _mm256_set1_epi64x(0x7FFFFFFF);
    const __m256i tooBright =
        _mm256_or_si256(_mm256_cmpgt_epi64(cueLow, limit), _mm256_cmpgt_epi64(cueHigh, limit));
    if (!_mm256_testz_si256(tooBright, tooBright)) return false;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowClamped = _mm256_blendv_epi8(cueLow, zero, _mm256_cmpgt_epi64(zero, cueLow));
    const __m256i highClamped =
        _mm256_blendv_epi8(cueHigh, zero, _mm256_cmpgt_epi64(zero, cueHigh));
    // The low halves of the eight 64-bit values, in lane order.
    const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const __m256i brightness =
        _mm256_blend_epi32(_mm256_permutevar8x32_epi32(lowClamped, evens),
                           _mm256_permutevar8x32_epi32(highClamped, evens), 0xF0);

    // add = B * t * w, truncated and added with the wrap of 32-bit sums.
    const __m256 t = _mm256_load_ps(state.t);
    const __m256 gain = _mm256_mul_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(brightness), t), w);
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), gain);
    const __m256 wide = _mm256_cmp_ps(magnitude, _mm256_set1_ps(2147483520.0f), _CMP_NLE_UQ);
    if ((static_cast<unsigned>(_mm256_movemask_ps(wide)) & taken) != 0) return false;

    const __m256i acc = _mm256_load_si256(reinterpret_cast<const __m256i*>(state.acc));
    const __m256i added = _mm256_add_epi32(acc, _mm256_cvttps_epi32(gain));
    _mm256_store_si256(reinterpret_cast<__m256i*>(state.acc),
                       _mm256_blendv_epi8(acc, added, takeLanes));
    const __m256 spent = _mm256_sub_ps(t, _mm256_mul_ps(_mm256_set1_ps(c.threshold), w));
    const __m256 newT = _mm256_blendv_ps(t, spent, take);
    _mm256_store_ps(state.t, newT);

    // A ray whose opacity ran out stops at the next step, or runs out of steps first.
    const unsigned out = static_cast<unsigned>(_mm256_movemask_ps(
                             _mm256_cmp_ps(newT, _mm256_setzero_ps(), _CMP_LT_OQ))) &
                         loud;
    const bool nextStep = static_cast<std::int64_t>(i) + 1 < stepCount;
    for (unsigned m = out; m != 0; m &= m - 1) {
        const int k = __builtin_ctz(m);
        results[k] = {state.acc[k], nextStep ? static_cast<std::int32_t>(i + 2) : 0};
    }
    active &= ~out;
    return true;
}

}  // namespace calyra::lanes

#endif
