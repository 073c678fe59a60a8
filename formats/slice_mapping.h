// From the file's samples to stored values a slice at a time: the samples
// of a slice through the mapping (into bytes for the store, or into 16-bit
// fine values), and the mapped slices written into z-rows a run at a time.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

#include "formats/sample_types.h"
#include "formats/source_volume.h"
#include "formats/store_fill.h"

namespace calyra::formats {

template <class T>
const T* SliceSamples(const SourceVolume& v, std::int64_t k) {
    return reinterpret_cast<const T*>(v.data.get()) + std::uint64_t(k) * v.SliceCount();
}

// The rescale of slice k, or none.
inline const Rescale* SliceRescale(const SourceVolume& v, std::int64_t k) {
    if (v.rescale.empty()) return nullptr;
    return &v.rescale[v.rescale.size() == 1 ? 0 : std::size_t(k)];
}

inline double Rescaled(double raw, const Rescale* r) {
    return r ? raw * r->slope + r->intercept : raw;
}

// One value through the mapping into an Out: a byte for the store
// (MapValue) or a fine value (MapFine).
template <class Out>
Out MapTo(double v, const IntensityMapping& m) {
    if constexpr (std::is_same_v<Out, std::uint8_t>) {
        return MapValue(v, m);
    } else {
        return MapFine(v, m);
    }
}

// Maps slice k into out (dims[0] x dims[1] values, x fastest). Types of at
// most 16 bits go through a table per rescale, built from the same mapping,
// where the slices are large enough to pay for it (small ones map each
// sample: a 16-bit table is 65,536 mappings); unsigned 8-bit files kept as
// they are store their bytes, and 257 x them as fine values.
template <class Out>
class SliceMapper {
  public:
    SliceMapper(const SourceVolume& v, const IntensityMapping& m) : v_(v), m_(m) {}

    void Map(std::int64_t k, Out* out) {
        DispatchType(v_.type, [&](auto zero) { MapTyped<decltype(zero)>(k, out); });
    }

  private:
    template <class T>
    void MapTyped(std::int64_t k, Out* out) {
        const T* s = SliceSamples<T>(v_, k);
        const std::uint64_t n = v_.SliceCount();
        if (m_.identity) {
            if constexpr (std::is_same_v<Out, std::uint8_t>) {
                std::memcpy(out, s, n);
            } else {
                for (std::uint64_t i = 0; i < n; ++i) out[i] = static_cast<Out>(257u * s[i]);
            }
            return;
        }
        const Rescale* r = SliceRescale(v_, k);
        if constexpr (std::is_integral_v<T> && sizeof(T) <= 2) {
            using U = std::make_unsigned_t<T>;
            const bool built = !table_.empty() && SameRescale(r);
            if (built || n >= (std::uint64_t{1} << (8 * sizeof(T)))) {
                if (!built) BuildTable<T>(r);
                for (std::uint64_t i = 0; i < n; ++i) out[i] = table_[static_cast<U>(s[i])];
                return;
            }
        }
        for (std::uint64_t i = 0; i < n; ++i) {
            out[i] = MapTo<Out>(Rescaled(double(s[i]), r), m_);
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
            table_[u] = MapTo<Out>(Rescaled(double(raw), r), m_);
        }
        tableRescale_ = r;
    }

    const SourceVolume& v_;
    const IntensityMapping& m_;
    std::vector<Out> table_;
    const Rescale* tableRescale_ = nullptr;
};

// Collects mapped slices and writes them into z-rows a run at a time, so
// that each row is touched once per run rather than once per slice.
template <class Out>
class SlabWriter {
  public:
    using RowAt = std::function<Out*(std::int64_t i, std::int64_t j)>;

    SlabWriter(std::int64_t nx, std::int64_t ny, RowAt rowAt)
        : nx_(nx), ny_(ny), slice_(std::size_t(nx * ny)), rowAt_(std::move(rowAt)) {
        capacity_ = std::max<std::size_t>(1, (std::size_t{8} << 20) / (slice_ * sizeof(Out)));
        capacity_ = std::min<std::size_t>(capacity_, 256);
        slab_.resize(capacity_ * slice_);
    }

    Out* NextSlice() { return slab_.data() + count_ * slice_; }

    void Commit() {
        largest_ = std::max(largest_, *std::max_element(NextSlice(), NextSlice() + slice_));
        if (++count_ == capacity_) Flush();
    }

    void Flush() {
        constexpr std::int64_t kTile = 64;
        Out* rows[kTile];
        for (std::int64_t j = 0; j < ny_; ++j) {
            for (std::int64_t i0 = 0; i0 < nx_; i0 += kTile) {
                const std::int64_t width = std::min(kTile, nx_ - i0);
                for (std::int64_t t = 0; t < width; ++t) rows[t] = rowAt_(i0 + t, j) + firstZ_;
                const Out* in = slab_.data() + std::size_t(j * nx_ + i0);
                for (std::size_t k = 0; k < count_; ++k, in += slice_) {
                    for (std::int64_t t = 0; t < width; ++t) rows[t][k] = in[t];
                }
            }
        }
        firstZ_ += count_;
        count_ = 0;
    }

    Out Largest() const { return largest_; }

  private:
    std::int64_t nx_, ny_;
    std::size_t slice_;
    RowAt rowAt_;
    std::size_t capacity_ = 1;
    std::vector<Out> slab_;
    std::size_t count_ = 0;
    std::size_t firstZ_ = 0;
    Out largest_ = 0;
};

}  // namespace calyra::formats
