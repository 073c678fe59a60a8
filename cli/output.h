// What calyra-render writes: the dump, the PNG and the voxel store.
#pragma once

#include <string>

#include "base/int3.h"

namespace calyra::cli {

// The exact buffers as text ("-" = standard output). Returns false on a write error.
bool WriteDump(const std::string& path, int width, int height);
// The image of side x side cells, in the format path's extension names: one
// pixel per cell (size 0), or drawn into size x size pixels with the render
// window's cell layout. The picture carries viewText (the view that made it)
// where its format keeps text. Returns the reason of a failure, empty on success.
std::string WritePicture(const std::string& path, int side, int size, const std::string& viewText);
// The three slice panes at the cursor, one pixel per voxel, in the format
// path's extension names. Returns the reason of a failure, empty on success.
std::string WriteSlicePicture(const std::string& path, Int3 cursor);
// voxels[x][y][z] for x 0..dimX, y 0..dimY, z 0..dimZ, z fastest.
bool WriteVolume(const std::string& path);

}  // namespace calyra::cli
