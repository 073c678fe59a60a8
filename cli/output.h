// What calyra-render writes: the dump, the pictures and the voxel store,
// each through the one file writer. Each returns the reason of a failure
// ("Cannot write FILE: REASON"), empty on success.
#pragma once

#include <string>

#include "base/int3.h"

class QImage;

namespace calyra {
struct Session;
}  // namespace calyra

namespace calyra::cli {

// The exact buffers of the session's last render as text ("-" = standard output).
std::string WriteDump(const Session& session, const std::string& path, int width, int height);
// The picture WritePicture writes, carrying viewText; null when there is no
// memory for it.
QImage PictureOf(const Session& session, int side, int size, const std::string& viewText);
// The image of side x side cells, in the format path's extension names: one
// pixel per cell (size 0), or drawn into size x size pixels with the render
// window's cell layout. The picture carries viewText (the view that made it)
// where its format keeps text.
std::string WritePicture(const Session& session, const std::string& path, int side, int size,
                         const std::string& viewText);
// The three slice panes at the cursor, one pixel per voxel, in the format
// path's extension names.
std::string WriteSlicePicture(const Session& session, const std::string& path, Int3 cursor);
// voxels[x][y][z] for x 0..dimX, y 0..dimY, z 0..dimZ, z fastest.
std::string WriteVolume(const Session& session, const std::string& path);
// The fine store as text: "calyra-fine 1", "volume DIMX DIMY DIMZ", "range LO
// HI[ UNIT]", then for x 1..dimX, y 1..dimY the fine values of z 1..dimZ.
std::string WriteFine(const Session& session, const std::string& path);

}  // namespace calyra::cli
