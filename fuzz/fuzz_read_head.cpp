// The head loader alone: "sm3dhead" in the working directory. A mode byte
// and a word give the file's length: mostly short files (up to 64 KiB), else
// the full 2,097,152 bytes give or take the word; the rest of the input,
// repeated, is its content.
//
// Short files load through BuildVolume, and the voxels are checked against
// the file at a few places. Copying a whole file byte by byte costs several
// milliseconds under the sanitizers, a hundred short files' worth, so full
// length files go to a store one voxel too small on an axis: the loader
// reads to the end of the file and must write nothing. The unit tests load
// whole files.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "volume/head_loader.h"
#include "volume/models.h"

using namespace calyra;

namespace {

constexpr std::int32_t kSide = 128;
constexpr std::size_t kSlice = std::size_t{kSide} * kSide;
constexpr std::size_t kFull = kSlice * kSide;

// Loads through BuildVolume and checks maxValue and 64 voxels against the file.
void LoadAndCheck(const std::uint8_t* content, std::size_t count, std::size_t length, bool missing,
                  std::size_t seed) {
    VolumeStore v;
    v.source = VolumeSource::Head;
    BuildVolume(v, ModelType::Head);
    // The head is a 128 cube whatever the file held.
    if (v.dims.x != kSide || v.maxValue > 255) std::abort();
    // Whole blocks of two slices are read; a short last block is not.
    const std::size_t bytes = missing ? 0 : std::min(length / (2 * kSlice) * 2 * kSlice, kFull);
    const auto fileByte = [&](std::size_t offset) -> std::uint8_t {
        return offset < bytes && count ? content[offset % count] : 0;
    };
    std::uint8_t largest = 0;
    for (std::size_t i = 0; i < std::min(bytes, count); ++i)
        largest = std::max(largest, content[i]);
    if (v.maxValue != largest) std::abort();
    for (std::size_t k = 0; k < 64; ++k) {
        const std::size_t n = (k * 2654435761u + seed) % (bytes ? bytes : kFull);
        const std::size_t x = n % kSide, y = n / kSide % kSide, z = n / kSlice;
        if (v.voxels[x + 1][y + 1][z + 1] != fileByte(n)) std::abort();
    }
}

// Reads the file into a store that lacks one voxel on the chosen axis: the
// store stays zero and maxValue 0.
void LoadIntoTooSmallStore(int axis) {
    const std::int32_t x = axis == 0 ? kSide - 1 : kSide;
    const std::int32_t y = axis == 1 ? kSide - 1 : kSide;
    const std::int32_t z = axis == 2 ? kSide - 1 : kSide;
    VolumeStore v;
    if (!AllocateVolume(v, x, y, z)) std::abort();
    LoadHeadVolume(v);
    if (v.maxValue != 0) std::abort();
    if (v.voxels[x][y][z] != 0 || v.voxels[1][1][1] != 0) std::abort();
    // z = 128 of a 127-deep store lies in the rows' spare half, which the
    // address sanitizer cannot tell from voxels.
    if (axis == 2 && v.voxels[x][y][kSide] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::SetUpProcess();
    fuzz::ByteReader in(data, size);
    const std::uint8_t mode = in.Byte();
    const std::size_t word = in.Word();
    const bool full = mode % 8 >= 6;
    const std::size_t length = !full ? word : (mode % 8 == 6 ? kFull - word : kFull + word);
    const bool missing = (mode & 0x80) != 0;
    const std::uint8_t* content = in.Rest();
    const std::size_t count = in.RestSize();
    if (missing) {
        std::remove(kHeadFileName);
    } else {
        fuzz::WriteTiled(kHeadFileName, content, count, length);
    }
    if (full) {
        LoadIntoTooSmallStore(mode / 8 % 3);
    } else {
        LoadAndCheck(content, count, length, missing, word);
    }
    return 0;
}
