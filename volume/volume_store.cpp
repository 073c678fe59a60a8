#include "volume/volume_store.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <tuple>

#include "base/messages.h"
#include "base/worker_pool.h"

namespace calyra {

namespace {
// Process-wide: the fuzz targets lower it for every reader at once.
std::uint64_t storeBound = kMaxStoreBytes;
}  // namespace

std::shared_ptr<VolumeStore> NewStoreAfter(const VolumeStore& previous) {
    auto next = std::make_shared<VolumeStore>();
    VolumeStore& v = *next;
    std::tie(v.dims, v.size, v.maxValue, v.mirrorZ, v.source) = std::tie(
        previous.dims, previous.size, previous.maxValue, previous.mirrorZ, previous.source);
    v.generation = previous.generation + 1;
    return next;
}

std::uint64_t StoreBound() {
    return storeBound;
}

void SetStoreBound(std::uint64_t bytes) {
    storeBound = bytes < kMaxStoreBytes ? bytes : kMaxStoreBytes;
}

std::string StoreBoundText() {
    const char* const units[] = {"GiB", "MiB", "KiB"};
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t unit = std::uint64_t{1} << (10 * (3 - i));
        if (storeBound >= unit && storeBound % unit == 0) {
            return std::to_string(storeBound / unit) + " " + units[i];
        }
    }
    return std::to_string(storeBound) + " bytes";
}

std::uint64_t StoreBytes(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    if (dimX < 0 || dimY < 0 || dimZ < 0) return 0;
    const std::uint64_t plane = (std::uint64_t(dimX) + 1) * (std::uint64_t(dimY) + 1);
    const std::uint64_t row = 2 * (std::uint64_t(dimZ) + 1);
    // Dims near 2^31 on every axis pass 64 bits: saturate so that no bound lets them through.
    if (plane > UINT64_MAX / row) return UINT64_MAX;
    return plane * row;
}

std::uint64_t StoreTableBytes(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    if (dimX < 0 || dimY < 0 || dimZ < 0) return 0;
    return (std::uint64_t(dimX) + 1) * (std::uint64_t(dimY) + 2) * sizeof(void*);
}

namespace {

void Release(VolumeStore& v) {
    v.voxels = nullptr;
    v.planes.reset();
    v.rows.reset();
    v.block.reset();
    v.allocated = Int3{};
    v.rowLength = 0;
    v.fine.reset();
    v.fineRowLength = 0;
}

}  // namespace

int AllocateVolume(VolumeStore& v, std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    ++v.generation;

    const std::uint64_t bytes = StoreBytes(dimX, dimY, dimZ);
    // The pointer tables count too: a volume thin in z needs one row pointer
    // per (x, y), which for the thinnest shapes costs more than the voxels.
    const std::uint64_t pointers = bytes == 0 ? 0 : StoreTableBytes(dimX, dimY, dimZ);
    const bool fits =
        dimX >= 0 && dimY >= 0 && dimZ >= 0 && bytes <= storeBound && pointers <= storeBound;
    if (fits) {
        const std::size_t nx = std::size_t(dimX) + 1;
        const std::size_t ny = std::size_t(dimY) + 1;
        const std::size_t row = 2 * (std::size_t(dimZ) + 1);
        const std::size_t fineRow = std::size_t(dimZ) + 1;
        Release(v);
        // Zero-filled by the system: pages the fills never reach cost nothing.
        v.block = PageBlock(nx * ny * row);
        v.fine = PageBlock(nx * ny * fineRow * sizeof(std::uint16_t));
        v.rows.reset(new (std::nothrow) std::uint8_t*[nx * ny]);
        v.planes.reset(new (std::nothrow) std::uint8_t**[nx]);
        if (v.block && v.fine && v.rows && v.planes) {
            // Row (x, y) is row x * ny + y of the block.
            std::uint8_t* const base = v.block.get();
            for (std::size_t r = 0; r < nx * ny; ++r) v.rows[r] = base + r * row;
            for (std::size_t x = 0; x < nx; ++x) v.planes[x] = v.rows.get() + x * ny;
            v.voxels = v.planes.get();
            v.allocated = Int3{dimX, dimY, dimZ};
            v.rowLength = row;
            v.fineRowLength = fineRow;
            return 1;
        }
    }
    Release(v);
    v.dims = Int3{};
    return 0;
}

void MarkVolumeChanged(VolumeStore& v) {
    ++v.generation;
}

void PublishShape(VolumeStore& v, std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ,
                  std::int32_t size) {
    MarkVolumeChanged(v);
    v.origin = Int3{};
    v.dims = Int3{dimX, dimY, dimZ};
    v.size = size;
}

void FineFromBytes(VolumeStore& v) {
    v.mapping = ValueMapping{};
    if (!v.voxels || !v.fine) return;
    const std::int32_t nz = v.allocated.z + 1;
    ParallelFor(v.allocated.x + 1, [&](std::int32_t x) {
        for (std::int32_t y = 0; y <= v.allocated.y; ++y) {
            const std::uint8_t* bytes = v.voxels[x][y];
            std::uint16_t* fine = v.FineRow(x, y);
            for (std::int32_t z = 0; z < nz; ++z) {
                fine[z] = static_cast<std::uint16_t>(257u * bytes[z]);
            }
        }
    });
}

void ReportAllocationFailure(const std::string& file) {
    std::string text = kNotEnoughMemoryForVolume;
    if (!file.empty()) text += "\n" + file;
    ReportMessage({text, "", MessageIcon::Warning, MessageOwner::RenderWindow});
}

}  // namespace calyra
