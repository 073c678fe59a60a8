#include "formats/store_fill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <vector>

#include "base/page_block.h"
#include "formats/sample_types.h"
#include "formats/slice_mapping.h"

namespace calyra::formats {
namespace {

struct Range {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();
    void Add(double v) {
        if (!std::isfinite(v)) return;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
};

template <class T>
void AddSliceRange(const SourceVolume& v, std::int64_t k, Range& range) {
    const T* s = SliceSamples<T>(v, k);
    const std::uint64_t n = v.SliceCount();
    const Rescale* r = SliceRescale(v, k);
    if constexpr (std::is_integral_v<T>) {
        if (n == 0) return;
        // v x slope + intercept is monotonic in v, also in double: the ends of
        // the slice's value range are the ends of its rescaled range.
        // A plain loop: the compiler turns it into vector min / max.
        T mn = s[0], mx = s[0];
        for (std::uint64_t i = 1; i < n; ++i) {
            mn = std::min(mn, s[i]);
            mx = std::max(mx, s[i]);
        }
        const double a = Rescaled(double(mn), r);
        const double b = Rescaled(double(mx), r);
        if (std::isfinite(a) && std::isfinite(b)) {
            range.Add(a);
            range.Add(b);
            return;
        }
    }
    for (std::uint64_t i = 0; i < n; ++i) range.Add(Rescaled(double(s[i]), r));
}

template <class T>
void AddRange(const SourceVolume& v, Range& range) {
    for (std::int64_t k = 0; k < v.dims[2]; ++k) AddSliceRange<T>(v, k, range);
}

// Input position of output voxel c: (c + 0.5) n / m - 0.5, clamped to the grid.
struct Tap {
    std::int64_t i0, i1;
    double f;
};

std::vector<Tap> Taps(std::int64_t n, std::int64_t m) {
    std::vector<Tap> taps(static_cast<std::size_t>(m));
    for (std::int64_t c = 0; c < m; ++c) {
        double p = (double(c) + 0.5) * double(n) / double(m) - 0.5;
        p = std::clamp(p, 0.0, double(n - 1));
        const auto i0 = static_cast<std::int64_t>(p);
        taps[std::size_t(c)] = {i0, std::min(i0 + 1, n - 1), p - double(i0)};
    }
    return taps;
}

// An axis kept at its count: every output voxel is its input voxel.
bool Identity(const std::vector<Tap>& taps) {
    for (std::size_t c = 0; c < taps.size(); ++c) {
        if (taps[c].i0 != std::int64_t(c) || taps[c].f != 0.0) return false;
    }
    return true;
}

// a + f (b - a): exactly a when b equals a, so constant data stay constant
// (and exactly a when f is 0).
inline double Lerp(double a, double b, double f) {
    return a + f * (b - a);
}

// The file's values mapped into z-rows at the file's grid (row (i, j) at
// (i ny + j) nz), both for the store (bytes) and the fine store.
template <class Out>
struct Grid {
    PageBlock block;
    const std::int64_t* n;
    Out* Row(std::int64_t i, std::int64_t j) const {
        return reinterpret_cast<Out*>(block.get()) + std::size_t((i * n[1] + j) * n[2]);
    }
    // The planes below input x are done with: their memory goes back.
    void ReleaseBelow(std::int64_t i) {
        block.Release(0, std::size_t(i * n[1] * n[2]) * sizeof(Out));
    }
};

// Trilinear resampling of a grid into z-rows at rowAt(x, y) (store indices
// from 1), the grid given back plane by plane as x moves past it. Lerps in
// double along z, then y, then x; where x and y keep their counts their
// lerps are exact, so they are left out. Returns the largest value stored.
template <class Out, class RowAt>
Out Resample(Grid<Out>& grid, Int3 d, RowAt rowAt) {
    const std::int64_t* n = grid.n;
    const auto tx = Taps(n[0], d.x), ty = Taps(n[1], d.y), tz = Taps(n[2], d.z);
    const bool zOnly = Identity(tx) && Identity(ty);
    Out largest = 0;
    for (std::int32_t x = 0; x < d.x; ++x) {
        const Tap& a = tx[std::size_t(x)];
        grid.ReleaseBelow(a.i0);
        for (std::int32_t y = 0; y < d.y; ++y) {
            const Tap& b = ty[std::size_t(y)];
            const Out* r00 = grid.Row(a.i0, b.i0);
            const Out* r01 = grid.Row(a.i0, b.i1);
            const Out* r10 = grid.Row(a.i1, b.i0);
            const Out* r11 = grid.Row(a.i1, b.i1);
            Out* out = rowAt(x + 1, y + 1) + 1;
            for (std::int32_t z = 0; z < d.z; ++z) {
                const Tap& c = tz[std::size_t(z)];
                double value;
                if (zOnly) {
                    value = Lerp(r00[c.i0], r00[c.i1], c.f);
                } else {
                    const double v0 =
                        Lerp(Lerp(r00[c.i0], r00[c.i1], c.f), Lerp(r01[c.i0], r01[c.i1], c.f), b.f);
                    const double v1 =
                        Lerp(Lerp(r10[c.i0], r10[c.i1], c.f), Lerp(r11[c.i0], r11[c.i1], c.f), b.f);
                    value = Lerp(v0, v1, a.f);
                }
                out[z] = static_cast<Out>(value + 0.5);
                largest = std::max(largest, out[z]);
            }
        }
    }
    return largest;
}

// The file's values are whole numbers: an integer type rescaled, if at all,
// by whole numbers.
bool IntegerValues(const SourceVolume& v) {
    const bool integral = v.type != SampleType::F32 && v.type != SampleType::F64;
    return integral && std::all_of(v.rescale.begin(), v.rescale.end(), [](const Rescale& r) {
               return std::floor(r.slope) == r.slope && std::floor(r.intercept) == r.intercept;
           });
}

}  // namespace

std::uint8_t MapValue(double v, const IntensityMapping& m) {
    if (!std::isfinite(v)) return 0;
    if (m.window) {
        if (v < m.lo) return 0;
        if (v > m.hi) return 255;
    }
    if (m.hi == m.lo) return 0;
    // Left to right: ((v - lo) x 255) / (hi - lo), truncated. The tables of
    // 8- and 16-bit types map every value of the type, also those outside
    // the file's range: they go to 0 and 255 rather than through a
    // conversion to 8 bits of a number that does not fit.
    double t = ((v - m.lo) * 255.0) / (m.hi - m.lo);
    // A span past the largest double (values near both ends of the type):
    // the fraction of the span in halves, which are exact, then times 255.
    if (std::isinf(m.hi - m.lo)) {
        t = ((v * 0.5 - m.lo * 0.5) / (m.hi * 0.5 - m.lo * 0.5)) * 255.0;
    }
    if (!(t > 0.0)) return 0;
    if (t >= 255.0) return 255;
    return static_cast<std::uint8_t>(t);
}

std::uint16_t MapFine(double v, const IntensityMapping& m) {
    if (!std::isfinite(v)) return 0;
    // Outside the range (a window, or a table entry the file does not use).
    if (v < m.lo) return 0;
    if (v > m.hi) return 65535;
    if (m.hi == m.lo) return 0;
    // Left to right: ((v - lo) x 65535) / (hi - lo), truncated.
    double t = ((v - m.lo) * 65535.0) / (m.hi - m.lo);
    if (std::isinf(m.hi - m.lo)) {
        t = ((v * 0.5 - m.lo * 0.5) / (m.hi * 0.5 - m.lo * 0.5)) * 65535.0;
    }
    if (!(t > 0.0)) return 0;
    if (t >= 65535.0) return 65535;
    return static_cast<std::uint16_t>(t);
}

IntensityMapping ChooseMapping(const SourceVolume& v, const OpenOptions& options) {
    IntensityMapping m;
    if (options.window) {
        m.window = true;
        m.lo = options.windowLow;
        m.hi = options.windowHigh;
        return m;
    }
    if (v.binary) {
        m.lo = 0.0;
        m.hi = 1.0;
        return m;
    }
    if (v.type == SampleType::U8 && v.rescale.empty()) {
        m.identity = true;
        return m;
    }
    Range range;
    DispatchType(v.type, [&](auto zero) { AddRange<decltype(zero)>(v, range); });
    // No finite value at all: everything stores 0.
    if (range.lo > range.hi) range.lo = range.hi = 0.0;
    m.lo = range.lo;
    m.hi = range.hi;
    return m;
}

std::uint32_t FillStores(VolumeStore& store, SourceVolume& v, const IntensityMapping& m, Int3 d) {
    store.mapping = m.identity ? ValueMapping{0.0, 255.0, v.unit, true}
                               : ValueMapping{m.lo, m.hi, v.unit, IntegerValues(v)};
    const std::int64_t* n = v.dims;
    SliceMapper<std::uint8_t> bytes(v, m);
    SliceMapper<std::uint16_t> fine(v, m);
    const auto storeRow = [&store](std::int64_t i, std::int64_t j) { return store.voxels[i][j]; };
    const auto fineRow = [&store](std::int64_t i, std::int64_t j) {
        return store.FineRow(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j));
    };
    const bool resample = d.x != n[0] || d.y != n[1] || d.z != n[2];
    if (!resample) {
        SlabWriter<std::uint8_t> byteWriter(
            n[0], n[1], [&](std::int64_t i, std::int64_t j) { return storeRow(i + 1, j + 1) + 1; });
        SlabWriter<std::uint16_t> fineWriter(
            n[0], n[1], [&](std::int64_t i, std::int64_t j) { return fineRow(i + 1, j + 1) + 1; });
        for (std::int64_t k = 0; k < n[2]; ++k) {
            bytes.Map(k, byteWriter.NextSlice());
            byteWriter.Commit();
            fine.Map(k, fineWriter.NextSlice());
            fineWriter.Commit();
        }
        byteWriter.Flush();
        fineWriter.Flush();
        return byteWriter.Largest();
    }
    // Mapped at the file's grid first; then the file's samples go, and each
    // grid goes back plane by plane as the resampling passes it, so the
    // memory needed never holds the samples, both grids and both stores.
    Grid<std::uint8_t> byteGrid{PageBlock(std::size_t(v.Count())), n};
    Grid<std::uint16_t> fineGrid{PageBlock(std::size_t(v.Count()) * 2), n};
    if (!byteGrid.block || !fineGrid.block) throw std::bad_alloc();
    {
        SlabWriter<std::uint8_t> byteWriter(
            n[0], n[1], [&byteGrid](std::int64_t i, std::int64_t j) { return byteGrid.Row(i, j); });
        SlabWriter<std::uint16_t> fineWriter(
            n[0], n[1], [&fineGrid](std::int64_t i, std::int64_t j) { return fineGrid.Row(i, j); });
        for (std::int64_t k = 0; k < n[2]; ++k) {
            bytes.Map(k, byteWriter.NextSlice());
            byteWriter.Commit();
            fine.Map(k, fineWriter.NextSlice());
            fineWriter.Commit();
        }
        byteWriter.Flush();
        fineWriter.Flush();
    }
    v.data.reset();
    const std::uint8_t largest = Resample(byteGrid, d, storeRow);
    Resample(fineGrid, d, fineRow);
    return largest;
}

}  // namespace calyra::formats
