// Shared pieces of the standard-format targets: a store bound their memory
// limit can hold, open options from the input, the files an input writes,
// and the open itself with the checks every outcome must pass.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "formats/child_reader.h"
#include "formats/open_volume.h"
#include "fuzz/fuzz_support.h"
#include "volume/volume_store.h"

namespace calyra::fuzz {

// Stores up to kQuickStoreBytes: a file that needs more is refused as past
// the bound, as the program refuses one past 2 GiB, instead of filling the
// fuzzer's memory limit.
// Files are read in this process, where the fuzzer sees the readers'
// coverage and no fork is paid for. A library's assertion then shows as a
// crash: each is a file the readers' own checks should refuse before the
// library sees it. (The DICOM target reads in a worker: reader_worker.h.)
inline void SetUpFormats() {
    SetUpProcess();
    SetStoreBound(kQuickStoreBytes);
    formats::SetReadInChild(false);
}

// Open options as the command line allows them: bit 0 of flags keeps the
// file's grid, bit 1 asks for a window of two finite values low <= high,
// taken from two words and a scale byte.
inline formats::OpenOptions ChooseOptions(std::uint8_t flags, ByteReader& in) {
    formats::OpenOptions options;
    options.resample = (flags & 1) == 0;
    if (flags & 2) {
        const double scales[4] = {1.0, 1.0 / 256, 1000.0, 1e30};
        const double scale = scales[in.Byte() % 4];
        const double a = static_cast<std::int16_t>(in.Word()) * scale;
        const double b = static_cast<std::int16_t>(in.Word()) * scale;
        options.window = true;
        options.windowLow = std::min(a, b);
        options.windowHigh = std::max(a, b);
    }
    return options;
}

// Removes the files of earlier inputs that this one does not write, so that
// no input sees another's files. The ones it writes are rewritten in place.
inline void RemoveOtherFiles(std::initializer_list<const char*> names,
                             std::initializer_list<std::string> written) {
    for (const char* name : names) {
        if (std::find(written.begin(), written.end(), name) == written.end()) std::remove(name);
    }
}

// Opens path as calyra-render and the window do, and says whether all came
// out as it must: a failed open makes no store; an opened volume
// has a shape within the bound, a rendering cube of its largest dim, and
// voxels within 0..maxValue <= 255 with index 0 empty.
inline bool OpensConsistently(const std::string& path, const formats::OpenOptions& options) {
    // A failed open makes no store; a volume that opened is a store of its own.
    const VolumeStore previous;
    const std::shared_ptr<VolumeStore> opened = formats::OpenVolume(path, options, previous);
    if (!opened) return true;
    const VolumeStore& v = *opened;
    const Int3 d = v.dims;
    if (d.x < 1 || d.y < 1 || d.z < 1 || StoreBytes(d.x, d.y, d.z) > StoreBound()) return false;
    if (v.size != std::max({d.x, d.y, d.z}) || v.maxValue > 255 || v.mirrorZ != 0) return false;
    for (std::uint32_t k = 0; k < 16; ++k) {
        const std::int32_t x = static_cast<std::int32_t>(k * 2654435761u % std::uint32_t(d.x)) + 1;
        const std::int32_t y = static_cast<std::int32_t>(k * 40503u % std::uint32_t(d.y)) + 1;
        const std::int32_t z = static_cast<std::int32_t>(k * 97u % std::uint32_t(d.z)) + 1;
        if (v.voxels[x][y][z] > v.maxValue || v.voxels[0][y][z] != 0) return false;
    }
    return v.voxels[d.x][d.y][d.z] <= v.maxValue;
}

// The same, ending the process when anything came out wrong.
inline void OpenAndCheck(const std::string& path, const formats::OpenOptions& options) {
    if (!OpensConsistently(path, options)) std::abort();
}

}  // namespace calyra::fuzz
