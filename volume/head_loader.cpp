#include "volume/head_loader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/messages.h"
#include "volume/binary_reader.h"
#include "volume/file_open.h"
#include "volume/volume_store.h"

namespace calyra {

namespace {

constexpr int kSide = 128;
constexpr std::size_t kSliceBytes = std::size_t{kSide} * kSide;
constexpr std::size_t kBlockBytes = 2 * kSliceBytes;  // two slices of 128 x 128

using Slice = std::uint8_t[kSide][kSide];  // [y][x]

// Copies slices to z onwards. x outermost: the z-rows of one x follow each
// other in the store, so the writes move forward through it instead of
// jumping a whole plane each time, and the slices of one (x, y) go to
// neighbouring bytes of one row.
template <int kSlices>
void CopySlices(VolumeStore& v, const Slice (&slices)[2], int z) {
    for (int x = 1; x <= kSide; ++x) {
        std::uint8_t* const* rows = v.voxels[x];
        for (int y = 1; y <= kSide; ++y) {
            std::uint8_t* row = rows[y] + z;
            for (int s = 0; s < kSlices; ++s) row[s] = slices[s][y - 1][x - 1];
        }
    }
}

}  // namespace

void LoadHeadVolume(VolumeStore& v) {
    v.maxValue = 0;
    SetBusy(true);
    // The working directory first, then where the program keeps its data.
    FilePtr file = OpenDataFile(FindDataFile(kHeadFileName), "rb");
    if (!file) {
        ReportMessage({FormatWithName(kCouldNotReadFile, kHeadFileName), "", MessageIcon::Warning,
                       MessageOwner::None});
        SetBusy(false);
        return;
    }
    // The store must hold indices 1..128 on every axis.
    const bool fits =
        v.voxels && v.allocated.x >= kSide && v.allocated.y >= kSide && v.allocated.z >= kSide;
    Slice block[2];  // one block
    for (int z = 1; z <= kSide;) {
        // A block that cannot be read whole is skipped, and its slices stay 0.
        if (std::fread(block, 1, kBlockBytes, file.get()) < kBlockBytes) {
            // Past the end every later read fails too (the end of a stream
            // stays the end): nothing more would change.
            if (std::feof(file.get())) break;
            ++z;
            continue;
        }
        // After a block that failed (a read error) z is even, and the last
        // block's second slice would lie past z = 128: only slices inside
        // the store count.
        const int slices = fits ? (z + 1 <= kSide ? 2 : 1) : 0;
        if (slices > 0) {
            const std::uint32_t largest = LargestByte(&block[0][0][0], slices * kSliceBytes);
            if (largest > v.maxValue) v.maxValue = largest;
            if (slices == 2) {
                CopySlices<2>(v, block, z);
            } else {
                CopySlices<1>(v, block, z);
            }
        }
        z += 2;
    }
    SetBusy(false);
}

}  // namespace calyra
