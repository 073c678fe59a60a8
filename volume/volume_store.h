// The one voxel volume the program shows.
//
// voxels[x][y][z] holds unsigned 8-bit values; every index 0..dim exists on
// every axis, z is contiguous. Each z-row has room for 2 x (dimZ + 1) bytes:
// the upper half is spare room that only the two-byte import writes into.
// Every build replaces the store whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/int3.h"
#include "volume/model_type.h"

namespace calyra {

struct VolumeStore {
    // Pointer tables over one zero-filled block: voxels[x][y] is a z-row.
    std::uint8_t*** voxels = nullptr;
    Int3 dims;                                 // extent of the data; 0, 0, 0 before any build
    Int3 origin;                               // always 0, 0, 0 after a build
    std::int32_t size = 64;                    // edge of the rendering cube, voxel units
    std::uint32_t maxValue = 0;                // value scale of the thresholds
    std::int32_t mirrorZ = 1;                  // fold the upper z half onto the lower
    VolumeSource source = VolumeSource::Ball;  // which builder BuildVolume runs

    // What AllocateVolume got; readers never index past it.
    Int3 allocated;
    std::size_t rowLength = 0;  // bytes per z-row: 2 x (allocated.z + 1)

    // Storage behind the pointer tables.
    struct BlockDeleter {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t[], BlockDeleter> block;
    std::size_t blockCapacity = 0;
    std::unique_ptr<std::uint8_t*[]> rows;
    std::unique_ptr<std::uint8_t**[]> planes;

    // Bumped by every allocation and every publication of new contents, so
    // caches built over the voxels (the renderer's brick table) can tell.
    std::uint64_t generation = 0;
};

// The process-wide store.
extern VolumeStore VoxelVolume;
// The model the user chose last.
extern ModelType modelType;
// Number of builds started by render-window creation.
extern std::int16_t loadCount;

// Bytes a store for these dims costs: (dimX+1)(dimY+1) x 2(dimZ+1).
// Returns 0 for negative dims.
std::uint64_t StoreBytes(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ);

// Bytes of the pointer tables over a store for these dims: one row pointer
// per (x, y) and one plane pointer per x. Past the store's own bytes for
// the thinnest shapes. 0 for negative dims.
std::uint64_t StoreTableBytes(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ);

// Largest store the program allocates (2 GiB).
inline constexpr std::uint64_t kMaxStoreBytes = std::uint64_t{1} << 31;

// The bound AllocateVolume and every reader apply: kMaxStoreBytes unless
// lowered. The fuzz targets lower it so that a file too large for their
// memory limit is refused the way a file past 2 GiB is.
std::uint64_t StoreBound();
// Sets the bound, at most kMaxStoreBytes.
void SetStoreBound(std::uint64_t bytes);
// The bound for messages: "2 GiB", "256 KiB", else a number of bytes.
std::string StoreBoundText();

// Releases the previous store and allocates a zero-filled one for the dims,
// which fails when the store or its tables pass the bound.
// Returns 1 on success. On failure nothing stays allocated, dims are published
// as 0, 0, 0 and 0 is returned; the caller reports kNotEnoughMemoryForVolume.
int AllocateVolume(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ);

// Sets origin to 0, 0, 0 and publishes dims and size.
void PublishShape(std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ, std::int32_t size);

// Tells caches that the voxels changed after they were published (a reader
// that publishes its shape first and fills the store afterwards calls it at
// the end; so must anything else that writes voxels between renders).
void MarkVolumeChanged();

// Every build and import calls NotifyVolumeReplaced once it has a store to
// fill; the owner of the rendering settings installs the hook (it switches
// interpolation off).
void SetVolumeReplacedHook(void (*hook)());
void NotifyVolumeReplaced();

// Reports the failed allocation as the windowed program shows it.
void ReportAllocationFailure();

}  // namespace calyra
