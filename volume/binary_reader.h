// The binary data files of the raw import: headerBytes to skip, then one
// voxel of bytesPerVoxel (1 or 2) bytes after another, x fastest, then y,
// then z. Every slice is stored once; voxels past the end of the file stay 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra {

// What the read found, for the short- and long-file messages.
struct BinaryReadResult {
    std::uint64_t bytesNeeded = 0;  // header plus every voxel of the shape
    bool sizeKnown = false;         // a regular file: fileBytes is its size
    std::uint64_t fileBytes = 0;
};

// Reads the open file into the allocated store and sets maxValue.
BinaryReadResult ReadBinaryVoxels(VolumeStore& v, std::FILE* file, const ImportParams& p,
                                  const ImportOptions& options);

// The largest of n bytes.
std::uint8_t LargestByte(const std::uint8_t* data, std::size_t n);

}  // namespace calyra
