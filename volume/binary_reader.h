// The binary data files of the raw import: one voxel of bytesPerVoxel bytes
// after another, x fastest, consumed in 131,072-byte blocks of whole slices.
#pragma once

#include <cstdio>

#include "volume/raw_reader.h"

namespace calyra {

// Reads the open file into the allocated store and sets maxValue.
void ReadBinaryVoxels(std::FILE* file, const ImportParams& p, const ImportOptions& options);

}  // namespace calyra
