// A voxel volume: what every build and reader fills and every render reads.
//
// voxels[x][y][z] holds unsigned 8-bit values; every index 0..dim exists on
// every axis, z is contiguous. Each z-row has room for 2 x (dimZ + 1) bytes:
// the upper half is spare room that only the two-byte import writes into.
// Every build makes a new store; once a session shows it, nothing changes it
// (a live render may be reading it on another thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/int3.h"
#include "base/page_block.h"
#include "volume/model_type.h"

namespace calyra {

// What the fine values stand for: fine value f is the file value
// F(f) = lo + f x (hi - lo) / 65535 (double, left to right), in unit ("HU",
// "BQML", or "" when the file names none).
struct ValueMapping {
    double lo = 0.0;
    double hi = 255.0;
    std::string unit;
    // The file's values are whole numbers (integer samples, integer rescale):
    // readouts round to them.
    bool integers = true;
    bool operator==(const ValueMapping&) const = default;
};

// F(f) as above.
inline double FileValue(const ValueMapping& m, std::uint32_t f) {
    return m.lo + (static_cast<double>(f) * (m.hi - m.lo)) / 65535.0;
}

struct VolumeStore {
    // Pointer tables over one zero-filled block: voxels[x][y] is a z-row.
    std::uint8_t*** voxels = nullptr;
    Int3 dims;                                 // extent of the data; 0, 0, 0 before any build
    Int3 origin;                               // always 0, 0, 0 after a build
    std::int32_t size = 64;                    // edge of the rendering cube, voxel units
    std::uint32_t maxValue = 0;                // value scale of the thresholds
    std::int32_t mirrorZ = 1;                  // fold the upper z half onto the lower
    VolumeSource source = VolumeSource::Ball;  // which builder BuildVolume runs
    ValueMapping mapping;                      // of the fine store

    // What AllocateVolume got; readers never index past it.
    Int3 allocated;
    std::size_t rowLength = 0;  // bytes per z-row: 2 x (allocated.z + 1)

    // Storage behind the pointer tables.
    PageBlock block;
    std::unique_ptr<std::uint8_t*[]> rows;
    std::unique_ptr<std::uint8_t**[]> planes;

    // The fine store: an unsigned 16-bit value for every element x 0..dimX,
    // y 0..dimY, z 0..dimZ of the store (its zero borders included), the
    // file's values at full precision; mapping says what they stand for.
    // Fine (x, y, z) is fine[(x * (allocated.y + 1) + y) * fineRowLength + z].
    PageBlock fine;
    std::size_t fineRowLength = 0;  // values per z-row: allocated.z + 1

    std::uint16_t* FineRow(std::int32_t x, std::int32_t y) {
        return reinterpret_cast<std::uint16_t*>(fine.get()) +
               (static_cast<std::size_t>(x) * (static_cast<std::size_t>(allocated.y) + 1) +
                static_cast<std::size_t>(y)) *
                   fineRowLength;
    }
    const std::uint16_t* FineRow(std::int32_t x, std::int32_t y) const {
        return const_cast<VolumeStore*>(this)->FineRow(x, y);
    }

    // Caches built over the voxels (the renderer's brick table) know a store
    // by this token, which they keep alive so that no later store can take
    // its address, and by the generation, bumped by every allocation and
    // every publication of new contents.
    std::shared_ptr<const int> identity = std::make_shared<const int>(0);
    std::uint64_t generation = 0;
};

// A store for the next build: no voxels yet, the previous store's size,
// value scale, mirroring and source, which builds change only where they
// say so.
std::shared_ptr<VolumeStore> NewStoreAfter(const VolumeStore& previous);

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
// its fine store beside it (zero-filled too), which fails when the store or
// its tables pass the bound or memory runs short.
// Returns 1 on success. On failure nothing stays allocated, dims are published
// as 0, 0, 0 and 0 is returned; the caller reports kNotEnoughMemoryForVolume.
int AllocateVolume(VolumeStore& v, std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ);

// Sets origin to 0, 0, 0 and publishes dims and size.
void PublishShape(VolumeStore& v, std::int32_t dimX, std::int32_t dimY, std::int32_t dimZ,
                  std::int32_t size);

// Tells caches that the voxels changed after they were published (a reader
// that publishes its shape first and fills the store afterwards calls it at
// the end; so must anything else that writes voxels before the next render).
void MarkVolumeChanged(VolumeStore& v);

// Sets every fine value to 257 x the stored byte (0..65535 for 0..255) and
// the mapping to 0..255 without a unit: the fine store of the built-in
// models, the head and the one-byte and ASCII imports.
void FineFromBytes(VolumeStore& v);

// Reports the failed allocation as the windowed program shows it; a volume
// read from a file is named on the next line.
void ReportAllocationFailure(const std::string& file = {});

}  // namespace calyra
