// What calyra-render writes: the dump, the PNG and the voxel store.
#pragma once

#include <string>

namespace calyra::cli {

// The exact buffers as text ("-" = standard output). Returns false on a write error.
bool WriteDump(const std::string& path, int width, int height);
// One pixel per cell, the render window's grey mapping.
bool WritePng(const std::string& path, int width, int height);
// voxels[x][y][z] for x 0..dimX, y 0..dimY, z 0..dimZ, z fastest.
bool WriteVolume(const std::string& path);

}  // namespace calyra::cli
