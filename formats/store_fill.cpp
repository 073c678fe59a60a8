#include "formats/store_fill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "formats/sample_types.h"

namespace calyra::formats {
namespace {

template <class T>
const T* SliceSamples(const SourceVolume& v, std::int64_t k) {
    return reinterpret_cast<const T*>(v.data.get()) + std::uint64_t(k) * v.SliceCount();
}

// The rescale of slice k, or none.
const Rescale* SliceRescale(const SourceVolume& v, std::int64_t k) {
    if (v.rescale.empty()) return nullptr;
    return &v.rescale[v.rescale.size() == 1 ? 0 : std::size_t(k)];
}

inline double Rescaled(double raw, const Rescale* r) {
    return r ? raw * r->slope + r->intercept : raw;
}

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

// Maps slice k into out (dims[0] x dims[1] bytes, x fastest). Types of at
// most 16 bits go through a table per rescale, built from the same MapValue.
class SliceMapper {
  public:
    SliceMapper(const SourceVolume& v, const IntensityMapping& m) : v_(v), m_(m) {}

    void Map(std::int64_t k, std::uint8_t* out) {
        DispatchType(v_.type, [&](auto zero) { MapTyped<decltype(zero)>(k, out); });
    }

  private:
    template <class T>
    void MapTyped(std::int64_t k, std::uint8_t* out) {
        const T* s = SliceSamples<T>(v_, k);
        const std::uint64_t n = v_.SliceCount();
        if (m_.identity) {
            std::memcpy(out, s, n);
            return;
        }
        const Rescale* r = SliceRescale(v_, k);
        if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
            using U = std::make_unsigned_t<T>;
            if (table_.empty() || !SameRescale(r)) BuildTable<T>(r);
            for (std::uint64_t i = 0; i < n; ++i) out[i] = table_[static_cast<U>(s[i])];
        } else {
            for (std::uint64_t i = 0; i < n; ++i) out[i] = MapValue(Rescaled(double(s[i]), r), m_);
        }
    }

    bool SameRescale(const Rescale* r) const {
        if (!r || !tableRescale_) return !r && !tableRescale_;
        return r->slope == tableRescale_->slope && r->intercept == tableRescale_->intercept;
    }

    template <class T>
    void BuildTable(const Rescale* r) {
        using U = std::make_unsigned_t<T>;
        table_.assign(std::size_t{1} << (8 * sizeof(T)), 0);
        for (std::size_t u = 0; u < table_.size(); ++u) {
            const T raw = static_cast<T>(static_cast<U>(u));
            table_[u] = MapValue(Rescaled(double(raw), r), m_);
        }
        tableRescale_ = r;
    }

    const SourceVolume& v_;
    const IntensityMapping& m_;
    std::vector<std::uint8_t> table_;
    const Rescale* tableRescale_ = nullptr;
};

// Collects mapped slices and writes them into z-rows a run at a time, so
// that each row is touched once per run rather than once per slice.
class SlabWriter {
  public:
    using RowAt = std::function<std::uint8_t*(std::int64_t i, std::int64_t j)>;

    SlabWriter(std::int64_t nx, std::int64_t ny, RowAt rowAt)
        : nx_(nx), ny_(ny), slice_(std::size_t(nx * ny)), rowAt_(std::move(rowAt)) {
        capacity_ = std::max<std::size_t>(1, (std::size_t{8} << 20) / slice_);
        capacity_ = std::min<std::size_t>(capacity_, 256);
        slab_.resize(capacity_ * slice_);
    }

    std::uint8_t* NextSlice() { return slab_.data() + count_ * slice_; }

    void Commit() {
        largest_ = std::max(largest_, *std::max_element(NextSlice(), NextSlice() + slice_));
        if (++count_ == capacity_) Flush();
    }

    void Flush() {
        constexpr std::int64_t kTile = 64;
        std::uint8_t* rows[kTile];
        for (std::int64_t j = 0; j < ny_; ++j) {
            for (std::int64_t i0 = 0; i0 < nx_; i0 += kTile) {
                const std::int64_t width = std::min(kTile, nx_ - i0);
                for (std::int64_t t = 0; t < width; ++t) rows[t] = rowAt_(i0 + t, j) + firstZ_;
                const std::uint8_t* in = slab_.data() + std::size_t(j * nx_ + i0);
                for (std::size_t k = 0; k < count_; ++k, in += slice_) {
                    for (std::int64_t t = 0; t < width; ++t) rows[t][k] = in[t];
                }
            }
        }
        firstZ_ += count_;
        count_ = 0;
    }

    std::uint8_t Largest() const { return largest_; }

  private:
    std::int64_t nx_, ny_;
    std::size_t slice_;
    RowAt rowAt_;
    std::size_t capacity_ = 1;
    std::vector<std::uint8_t> slab_;
    std::size_t count_ = 0;
    std::size_t firstZ_ = 0;
    std::uint8_t largest_ = 0;
};

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

// a + f (b - a): exactly a when b equals a, so constant data stay constant.
inline double Lerp(double a, double b, double f) {
    return a + f * (b - a);
}

// Trilinear resampling of the mapped grid (z-rows of nz bytes, row (i, j)
// at grid + (i ny + j) nz) into the store.
std::uint8_t Resample(const std::vector<std::uint8_t>& grid, const std::int64_t n[3], Int3 d) {
    const auto tx = Taps(n[0], d.x), ty = Taps(n[1], d.y), tz = Taps(n[2], d.z);
    const auto row = [&](std::int64_t i, std::int64_t j) {
        return grid.data() + std::size_t((i * n[1] + j) * n[2]);
    };
    std::uint8_t largest = 0;
    for (std::int32_t x = 0; x < d.x; ++x) {
        const Tap& a = tx[std::size_t(x)];
        for (std::int32_t y = 0; y < d.y; ++y) {
            const Tap& b = ty[std::size_t(y)];
            const std::uint8_t* r00 = row(a.i0, b.i0);
            const std::uint8_t* r01 = row(a.i0, b.i1);
            const std::uint8_t* r10 = row(a.i1, b.i0);
            const std::uint8_t* r11 = row(a.i1, b.i1);
            std::uint8_t* out = VoxelVolume.voxels[x + 1][y + 1] + 1;
            for (std::int32_t z = 0; z < d.z; ++z) {
                const Tap& c = tz[std::size_t(z)];
                const double v0 =
                    Lerp(Lerp(r00[c.i0], r00[c.i1], c.f), Lerp(r01[c.i0], r01[c.i1], c.f), b.f);
                const double v1 =
                    Lerp(Lerp(r10[c.i0], r10[c.i1], c.f), Lerp(r11[c.i0], r11[c.i1], c.f), b.f);
                const auto value = static_cast<std::uint8_t>(Lerp(v0, v1, a.f) + 0.5);
                out[z] = value;
                largest = std::max(largest, value);
            }
        }
    }
    return largest;
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

std::uint32_t FillStore(const SourceVolume& v, const IntensityMapping& m, Int3 d) {
    const std::int64_t* n = v.dims;
    const bool resample = d.x != n[0] || d.y != n[1] || d.z != n[2];
    SliceMapper mapper(v, m);
    std::vector<std::uint8_t> grid;
    SlabWriter::RowAt rowAt;
    if (resample) {
        grid.resize(std::size_t(v.Count()));
        rowAt = [&grid, n](std::int64_t i, std::int64_t j) {
            return grid.data() + std::size_t((i * n[1] + j) * n[2]);
        };
    } else {
        rowAt = [](std::int64_t i, std::int64_t j) { return VoxelVolume.voxels[i + 1][j + 1] + 1; };
    }
    SlabWriter writer(n[0], n[1], rowAt);
    for (std::int64_t k = 0; k < n[2]; ++k) {
        mapper.Map(k, writer.NextSlice());
        writer.Commit();
    }
    writer.Flush();
    return resample ? Resample(grid, n, d) : writer.Largest();
}

}  // namespace calyra::formats
