#include "volume/volume_store.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "base/messages.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace calyra {

VolumeStore VoxelVolume;
ModelType modelType = ModelType::Ball;
std::int16_t loadCount = 0;

namespace {
std::uint64_t storeBound = kMaxStoreBytes;
}  // namespace

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

void VolumeStore::BlockDeleter::operator()(std::uint8_t* p) const {
    std::free(p);
}

namespace {

void Release(VolumeStore& v, bool keepBlock) {
    v.voxels = nullptr;
    v.planes.reset();
    v.rows.reset();
    if (!keepBlock) {
        v.block.reset();
        v.blockCapacity = 0;
    }
    v.allocated = Int3{};
    v.rowLength = 0;
}

// A large store goes into 2 MiB-aligned memory that the kernel may back with
// huge pages: first-touch faults on ordinary pages cost more than filling it.
std::uint8_t* AllocateBlock(std::size_t bytes, std::size_t& capacity) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes < 2 * kHuge) {
        capacity = bytes;
        return static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
    }
    capacity = (bytes + kHuge - 1) / kHuge * kHuge;
    auto* p = static_cast<std::uint8_t*>(std::aligned_alloc(kHuge, capacity));
#ifdef __linux__
    if (p) madvise(p, capacity, MADV_HUGEPAGE);
#endif
    return p;
}

}  // namespace

int AllocateVolume(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ) {
    VolumeStore& v = VoxelVolume;
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
        const std::size_t size = nx * ny * row;
        // A block of about the right size is zeroed again rather than replaced.
        const bool reuse = v.block && size <= v.blockCapacity && 2 * size >= v.blockCapacity;
        // The same shape in the same block: the pointer tables stay as they are.
        const Int3& had = v.allocated;
        if (reuse && v.voxels && had.x == dimX && had.y == dimY && had.z == dimZ) {
            std::memset(v.block.get(), 0, size);
            return 1;
        }
        Release(v, reuse);
        if (!reuse) {
            std::size_t capacity = 0;
            v.block.reset(AllocateBlock(size, capacity));
            v.blockCapacity = v.block ? capacity : 0;
        }
        v.rows.reset(new (std::nothrow) std::uint8_t*[nx * ny]);
        v.planes.reset(new (std::nothrow) std::uint8_t**[nx]);
        if (v.block && v.rows && v.planes) {
            std::memset(v.block.get(), 0, size);
            // Row (x, y) is row x * ny + y of the block.
            std::uint8_t* const base = v.block.get();
            for (std::size_t r = 0; r < nx * ny; ++r) v.rows[r] = base + r * row;
            for (std::size_t x = 0; x < nx; ++x) v.planes[x] = v.rows.get() + x * ny;
            v.voxels = v.planes.get();
            v.allocated = Int3{dimX, dimY, dimZ};
            v.rowLength = row;
            return 1;
        }
    }
    Release(v, false);
    v.dims = Int3{};
    return 0;
}

namespace {
// Constant-initialised, so an installation from any static initialiser holds.
void (*volumeReplacedHook)() = nullptr;
}  // namespace

void SetVolumeReplacedHook(void (*hook)()) {
    volumeReplacedHook = hook;
}

void NotifyVolumeReplaced() {
    if (volumeReplacedHook) volumeReplacedHook();
}

void MarkVolumeChanged() {
    ++VoxelVolume.generation;
}

void PublishShape(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ, std::int32_t size) {
    MarkVolumeChanged();
    VoxelVolume.origin = Int3{};
    VoxelVolume.dims = Int3{dimX, dimY, dimZ};
    VoxelVolume.size = size;
}

void ReportAllocationFailure() {
    ReportMessage(
        {kNotEnoughMemoryForVolume, "", MessageIcon::Warning, MessageOwner::RenderWindow});
}

}  // namespace calyra
