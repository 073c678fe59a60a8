// The three orthogonal slices through a cursor: what the slice-view window
// draws and what calyra-render --slices writes, read from the store the way
// the renderer's sample lookup reads it.
//
// Cursor and voxel indices are store indices 1..dim on each axis. A pane is
// an image of one pixel per voxel:
//   axial     column x-1, row y-1 = voxel [x][y][Z]   (dimX x dimY)
//   coronal   column x-1, row z-1 = voxel [x][Y][z]   (dimX x dimZ)
//   sagittal  column y-1, row z-1 = voxel [X][y][z]   (dimY x dimZ)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/int3.h"
#include "geometry/orientation.h"
#include "render/display_map.h"
#include "render/user_settings.h"
#include "render/window_level.h"

namespace calyra {

struct Session;
struct VolumeStore;

enum class SlicePane : int { Axial = 0, Coronal = 1, Sagittal = 2 };
inline constexpr int kSlicePaneCount = 3;
inline constexpr SlicePane kSlicePanes[kSlicePaneCount] = {SlicePane::Axial, SlicePane::Coronal,
                                                           SlicePane::Sagittal};

// The label of a pane ("Axial"), and the axis its slice number counts ('Z').
const char* SlicePaneName(SlicePane pane);
char SlicePaneAxis(SlicePane pane);

// Where the cursor starts: trunc((dim + 1) / 2) on each axis.
Int3 CentreCursor(Int3 dims);
// Each index clamped to 1..dim (1 on an axis of no extent).
Int3 ClampCursor(Int3 cursor, Int3 dims);

// Pane size in pixels for the store's dims (0 on an axis of no extent).
struct PaneSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
PaneSize SlicePaneSize(SlicePane pane, Int3 dims);

// The slice the pane shows: Z, Y or X of the cursor.
std::int32_t PaneSlice(SlicePane pane, Int3 cursor);
// The cursor with the pane's slice replaced, clamped to the dims.
Int3 WithPaneSlice(SlicePane pane, Int3 cursor, std::int32_t slice, Int3 dims);
// The cursor moved to pane pixel (column, row), clamped to the dims; the
// pane's own slice stays.
Int3 CursorAtPanePixel(SlicePane pane, Int3 cursor, std::int32_t column, std::int32_t row,
                       Int3 dims);
// The pane pixel that shows the cursor.
struct PanePixel {
    std::int32_t column = 0;
    std::int32_t row = 0;
};
PanePixel PanePixelOfCursor(SlicePane pane, Int3 cursor);

// The store's voxel (x, y, z), store indices 0..dim, as the renderer's
// sample lookup reads it: with mirrorZ, z above dimZ / 2 reads stored slice
// dimZ - 1 - z. 0 outside the store (also the mirrored image of z = dimZ,
// which would lie below slice 0).
std::uint8_t SliceVoxel(const VolumeStore& v, std::int32_t x, std::int32_t y, std::int32_t z);

// The fine value at the same place (0 where SliceVoxel reads 0).
std::uint16_t SliceFineValue(const VolumeStore& v, std::int32_t x, std::int32_t y, std::int32_t z);

// One pane's stored bytes at the cursor, row by row (width x height bytes).
std::vector<std::uint8_t> PaneValues(const VolumeStore& v, SlicePane pane, Int3 cursor);
// The same pixels' greys: their fine values' file values through the window.
std::vector<std::uint8_t> PaneGreys(const VolumeStore& v, const WindowLevel& window, SlicePane pane,
                                    Int3 cursor);

// The colour a pane pixel of that grey is drawn with: the display window and
// colour map of the cells.
Rgb8 PaneColour(const UserSettings& settings, std::uint8_t grey);

// A fine value's file value as readouts show it: rounded half away from
// zero for files of whole numbers, else to 4 significant digits.
std::string FileValueText(const ValueMapping& m, std::uint16_t fine);
// The slice views' status text of a voxel: "(X, Y, Z) = V   F UNIT", V the
// stored byte (" UNIT" only when the file names one).
std::string VoxelReadout(const VolumeStore& v, Int3 at);

// Draws one pane at the cursor through the settings' slice window as RGB
// bytes into rows rowBytes apart (room for SlicePaneSize pixels).
void WritePaneRgb(const VolumeStore& v, const UserSettings& settings, SlicePane pane, Int3 cursor,
                  std::uint8_t* rgb, std::size_t rowBytes);

// The three panes side by side, axial | coronal | sagittal, one pixel per
// voxel, top-aligned, RGB 0 0 0 below a pane shorter than the tallest.
struct SliceStrip {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, rows top to bottom
};
SliceStrip MakeSliceStrip(const VolumeStore& v, const UserSettings& settings, Int3 cursor);

// The cursor's voxel centre in scene coordinates: World[0] plus
// ((index + 0.5) / size) of the box edge along each axis.
Point3 CursorScenePoint(const Orientation& o, std::int32_t size, Int3 cursor);

// The face the viewing plane snaps to for a pane: Front, Top, Left.
Face SnapFaceOf(SlicePane pane);
// Snaps the plane to the pane's face and moves it along its normal so that
// the first sample of every ray lies in the cursor's slice (with or
// without interpolation), then requests a render.
void SnapViewPlaneToCursor(Session& session, SlicePane pane, Int3 cursor);

}  // namespace calyra
