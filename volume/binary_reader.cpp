#include "volume/binary_reader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "volume/volume_store.h"

namespace calyra {
namespace {

constexpr std::size_t kBlockBytes = 131072;

// Gathers slices and writes them into the store a run of slices at a time:
// each z-row is then touched once per run rather than once per slice, which
// keeps the transposition from file order (x fastest) to store order (z
// fastest) near memory speed.
class SliceWriter {
public:
    // copies: 1, or 2 when each slice is also written one index higher.
    SliceWriter(const ImportParams& p, int copies)
        : p_(p), copies_(copies), sliceVoxels_(std::size_t(p.dimX) * std::size_t(p.dimY)) {
        capacity_ = std::max<std::size_t>(1, (std::size_t{8} << 20) / std::max<std::size_t>(sliceVoxels_, 1));
        staged_.resize(capacity_ * sliceVoxels_);
        zs_.reserve(capacity_);
    }

    // values: dimX x dimY stored bytes, x fastest.
    void Add(const std::uint8_t* values, std::int32_t z) {
        std::copy(values, values + sliceVoxels_, staged_.begin() + zs_.size() * sliceVoxels_);
        zs_.push_back(z);
        if (zs_.size() == capacity_) Flush();
    }

    void Flush() {
        if (zs_.empty()) return;
        const VolumeStore& v = VoxelVolume;
        const std::size_t count = zs_.size();
        // Tiles of 64 x values: their 64 rows stay in the first-level cache
        // while every staged slice writes one byte (or two) into each.
        constexpr std::int32_t kTile = 64;
        std::uint8_t* rows[kTile];
        for (std::int32_t y = 1; y <= p_.dimY; ++y) {
            for (std::int32_t x0 = 1; x0 <= p_.dimX; x0 += kTile) {
                const std::int32_t width = std::min(kTile, p_.dimX - x0 + 1);
                for (std::int32_t j = 0; j < width; ++j) rows[j] = v.voxels[x0 + j][y];
                const std::uint8_t* in =
                    staged_.data() + std::size_t(y - 1) * p_.dimX + std::size_t(x0 - 1);
                // Slices in the order read: a later slice overwrites the copy of an earlier one.
                for (std::size_t k = 0; k < count; ++k) {
                    const std::uint8_t* src = in + k * sliceVoxels_;
                    const std::int32_t z = zs_[k];
                    if (copies_ == 2) {
                        for (std::int32_t j = 0; j < width; ++j) rows[j][z] = rows[j][z + 1] = src[j];
                    } else {
                        for (std::int32_t j = 0; j < width; ++j) rows[j][z] = src[j];
                    }
                }
            }
        }
        for (std::size_t n = 0; n < count * sliceVoxels_; ++n) {
            largest_ = std::max(largest_, staged_[n]);
        }
        zs_.clear();
    }

    std::uint8_t Largest() const { return largest_; }

private:
    const ImportParams& p_;
    int copies_;
    std::size_t sliceVoxels_;
    std::size_t capacity_ = 1;
    std::vector<std::uint8_t> staged_;
    std::vector<std::int32_t> zs_;
    std::uint8_t largest_ = 0;
};

struct BlockLayout {
    std::int64_t slicesPerBlock = 0;  // S: whole slices taken from each block
    std::int64_t sliceVoxels = 0;     // dimX x dimY
    std::int32_t step = 1;            // bytes between voxel starts in a block
    bool twoByte = false;
};

// Walks the file block by block as the import consumes it and calls
// visit(sliceStart, z) for every slice that gets stored.
template <class Visit>
void ForEachStoredSlice(std::FILE* file, const ImportParams& p, const BlockLayout& layout,
                        std::vector<std::uint8_t>& block, Visit&& visit) {
    std::int64_t z = 1;
    while (z <= p.dimZ) {
        // A short block stores nothing; as end of file is sticky, neither
        // would any later one, so the walk can stop here.
        if (std::fread(block.data(), 1, kBlockBytes, file) < kBlockBytes) return;
        for (std::int64_t k = 0; k < layout.slicesPerBlock && z + k <= p.dimZ; ++k) {
            visit(block.data() + k * layout.sliceVoxels * layout.step,
                  static_cast<std::int32_t>(z + k));
        }
        z += layout.slicesPerBlock + (layout.twoByte ? 1 : 0);
    }
}

}  // namespace

void ReadBinaryVoxels(std::FILE* file, const ImportParams& p, const ImportOptions& options) {
    BlockLayout layout;
    layout.twoByte = options.bytesPerVoxel == 2;
    layout.step = layout.twoByte ? 2 : 1;
    layout.sliceVoxels = std::int64_t{p.dimX} * p.dimY;
    const std::int64_t sliceBytes = layout.sliceVoxels * options.bytesPerVoxel;
    // A slice larger than a block (or no slice at all) is never stored.
    layout.slicesPerBlock = sliceBytes >= 1 ? std::int64_t{kBlockBytes} / sliceBytes : 0;
    if (layout.slicesPerBlock == 0) return;

    std::vector<std::uint8_t> block(kBlockBytes);
    if (!layout.twoByte) {
        SliceWriter writer(p, 1);
        ForEachStoredSlice(file, p, layout, block,
                           [&](const std::uint8_t* src, std::int32_t z) { writer.Add(src, z); });
        writer.Flush();
        VoxelVolume.maxValue = writer.Largest();
        return;
    }

    const bool reverse = options.reverseBytes != 0;
    const auto value16 = [reverse](const std::uint8_t* b) {
        return reverse ? std::uint32_t(b[1]) << 8 | b[0] : std::uint32_t(b[0]) << 8 | b[1];
    };
    // First pass: the largest value among the voxels this import stores sets the scale.
    std::uint32_t vmax = 0;
    ForEachStoredSlice(file, p, layout, block, [&](const std::uint8_t* src, std::int32_t) {
        for (std::int64_t n = 0; n < layout.sliceVoxels; ++n)
            vmax = std::max(vmax, value16(src + 2 * n));
    });
    // The second pass needs the file from its start again; a stream that
    // cannot rewind keeps the blank store.
    if (vmax == 0 || std::fseek(file, 0, SEEK_SET) != 0) return;
    // Doubled along z: the row's spare half holds index dimZ + 1.
    SliceWriter writer(p, 2);
    std::vector<std::uint8_t> slice(static_cast<std::size_t>(layout.sliceVoxels));
    ForEachStoredSlice(file, p, layout, block, [&](const std::uint8_t* src, std::int32_t z) {
        for (std::size_t n = 0; n < slice.size(); ++n, src += 2) {
            // Clamped in case the file grew between the passes.
            slice[n] = static_cast<std::uint8_t>(
                std::min<std::uint32_t>(value16(src) * 255 / vmax, 255));
        }
        writer.Add(slice.data(), z);
    });
    writer.Flush();
    VoxelVolume.maxValue = writer.Largest();
}

}  // namespace calyra
