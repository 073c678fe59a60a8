#include "volume/head_loader.h"

#include <cstdint>
#include <cstdio>

#include "base/messages.h"
#include "volume/file_open.h"
#include "volume/volume_store.h"

namespace calyra {

namespace {

constexpr int kSide = 128;
constexpr std::size_t kBlockBytes = 32768;  // two slices of 128 x 128

}  // namespace

void LoadHeadVolume() {
    VolumeStore& v = VoxelVolume;
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
    std::uint8_t block[kBlockBytes];
    for (int z = 1; z <= kSide;) {
        // A block that cannot be read whole is skipped, and its slices stay 0.
        if (std::fread(block, 1, kBlockBytes, file.get()) < kBlockBytes) {
            ++z;
            continue;
        }
        const std::uint8_t* byte = block;
        for (int slice = z; slice <= z + 1 && slice <= kSide && fits; ++slice) {
            for (int y = 1; y <= kSide; ++y) {
                for (int x = 1; x <= kSide; ++x, ++byte) {
                    v.voxels[x][y][slice] = *byte;
                    if (*byte > v.maxValue) v.maxValue = *byte;
                }
            }
        }
        z += 2;
    }
    SetBusy(false);
}

}  // namespace calyra
