#include "volume/volume_store.h"

#include <cstring>
#include <new>

#include "volume/messages.h"

namespace calyra {

VolumeStore VoxelVolume;
std::int32_t modelType = 0;
std::int16_t loadCount = 0;

std::uint64_t StoreBytes(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    if (dimX < 0 || dimY < 0 || dimZ < 0) return 0;
    const std::uint64_t plane = (std::uint64_t(dimX) + 1) * (std::uint64_t(dimY) + 1);
    const std::uint64_t row = 2 * (std::uint64_t(dimZ) + 1);
    // Dims near 2^31 on every axis pass 64 bits: saturate so that no bound lets them through.
    if (plane > UINT64_MAX / row) return UINT64_MAX;
    return plane * row;
}

namespace {

void Release(VolumeStore& v) {
    v.voxels = nullptr;
    v.planes.reset();
    v.rows.reset();
    v.block.reset();
    v.allocated = Int3{};
    v.rowLength = 0;
}

}  // namespace

int AllocateVolume(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    VolumeStore& v = VoxelVolume;
    Release(v);
    ++v.generation;

    const std::uint64_t bytes = StoreBytes(dimX, dimY, dimZ);
    // The pointer tables count too: a volume thin in z needs one row pointer
    // per (x, y), which for the thinnest shapes costs more than the voxels.
    const std::uint64_t pointers =
        bytes == 0 ? 0 : (std::uint64_t(dimX) + 1) * (std::uint64_t(dimY) + 2) * sizeof(void*);
    const bool fits = dimX >= 0 && dimY >= 0 && dimZ >= 0 && bytes <= kMaxStoreBytes &&
                      pointers <= kMaxStoreBytes;
    if (fits) {
        const std::size_t nx = std::size_t(dimX) + 1;
        const std::size_t ny = std::size_t(dimY) + 1;
        const std::size_t row = 2 * (std::size_t(dimZ) + 1);
        v.block.reset(new (std::nothrow) std::uint8_t[nx * ny * row]);
        v.rows.reset(new (std::nothrow) std::uint8_t*[nx * ny]);
        v.planes.reset(new (std::nothrow) std::uint8_t**[nx]);
        if (v.block && v.rows && v.planes) {
            std::memset(v.block.get(), 0, nx * ny * row);
            for (std::size_t x = 0; x < nx; ++x) {
                v.planes[x] = v.rows.get() + x * ny;
                for (std::size_t y = 0; y < ny; ++y) {
                    v.rows[x * ny + y] = v.block.get() + (x * ny + y) * row;
                }
            }
            v.voxels = v.planes.get();
            v.allocated = Int3{dimX, dimY, dimZ};
            v.rowLength = row;
            return 1;
        }
    }
    Release(v);
    v.dims = Int3{};
    return 0;
}

void MarkVolumeChanged() { ++VoxelVolume.generation; }

void PublishShape(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ, std::int32_t size) {
    MarkVolumeChanged();
    VoxelVolume.origin = Int3{};
    VoxelVolume.dims = Int3{dimX, dimY, dimZ};
    VoxelVolume.size = size;
}

void ReportAllocationFailure() {
    ReportMessage({kNotEnoughMemoryForVolume, "", MessageIcon::Warning, MessageOwner::RenderWindow});
}

}  // namespace calyra
