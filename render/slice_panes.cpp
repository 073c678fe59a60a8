#include "render/slice_panes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/sampler.h"
#include "render/session.h"
#include "volume/volume_store.h"

namespace calyra {

namespace {

struct PaneRule {
    const char* name;
    char axis;
};
PaneRule RuleOf(SlicePane pane) {
    switch (pane) {
        case SlicePane::Axial:
            return {"Axial", 'Z'};
        case SlicePane::Coronal:
            return {"Coronal", 'Y'};
        case SlicePane::Sagittal:
            return {"Sagittal", 'X'};
    }
    return {"Axial", 'Z'};
}

std::int32_t ClampIndex(std::int32_t index, std::int32_t dim) {
    return std::clamp(index, 1, std::max(dim, 1));
}

// The voxel a pane pixel shows: pane columns and rows count from 0, the
// store's indices from 1.
Int3 VoxelOfPixel(SlicePane pane, Int3 cursor, std::int32_t column, std::int32_t row) {
    switch (pane) {
        case SlicePane::Axial:
            return {column + 1, row + 1, cursor.z};
        case SlicePane::Coronal:
            return {column + 1, cursor.y, row + 1};
        case SlicePane::Sagittal:
            return {cursor.x, column + 1, row + 1};
    }
    return cursor;
}

// The stored index of voxel (x, y, z) as the sampler reads the store: its
// mirror, and none (-1) outside 0..dim or without a store.
std::int32_t StoredZ(const VolumeSampler& s, std::int32_t x, std::int32_t y, std::int32_t z) {
    if (!s.base) return -1;
    if (x < 0 || y < 0 || z < 0 || x > s.dimX || y > s.dimY || z > s.dimZ) return -1;
    return s.Mirrored(z, Lookup::Sample) ? s.dimZ - 1 - z : z;
}

std::uint8_t StoreVoxel(const VolumeSampler& s, std::int32_t x, std::int32_t y, std::int32_t z) {
    const std::int32_t stored = StoredZ(s, x, y, z);
    return stored < 0 ? 0 : *s.Voxel(x, y, stored);
}

// The fine value at the same place; a store without fine values reads 0.
std::uint16_t FineVoxel(const VolumeStore& v, const VolumeSampler& s, std::int32_t x,
                        std::int32_t y, std::int32_t z) {
    const std::int32_t stored = StoredZ(s, x, y, z);
    if (stored < 0 || !v.fine) return 0;
    return v.FineRow(x, y)[stored];
}

// Every pixel of a pane at the cursor, row by row: at(column, row, voxel).
template <typename Visit>
void ForEachPanePixel(Int3 dims, SlicePane pane, Int3 cursor, Visit at) {
    const PaneSize size = SlicePaneSize(pane, dims);
    for (std::int32_t row = 0; row < size.height; ++row) {
        for (std::int32_t column = 0; column < size.width; ++column) {
            at(column, row, VoxelOfPixel(pane, cursor, column, row));
        }
    }
}

}  // namespace

const char* SlicePaneName(SlicePane pane) {
    return RuleOf(pane).name;
}

char SlicePaneAxis(SlicePane pane) {
    return RuleOf(pane).axis;
}

Int3 CentreCursor(Int3 dims) {
    return ClampCursor({(dims.x + 1) / 2, (dims.y + 1) / 2, (dims.z + 1) / 2}, dims);
}

Int3 ClampCursor(Int3 cursor, Int3 dims) {
    return {ClampIndex(cursor.x, dims.x), ClampIndex(cursor.y, dims.y),
            ClampIndex(cursor.z, dims.z)};
}

PaneSize SlicePaneSize(SlicePane pane, Int3 dims) {
    const Int3 d{std::max(dims.x, 0), std::max(dims.y, 0), std::max(dims.z, 0)};
    switch (pane) {
        case SlicePane::Axial:
            return {d.x, d.y};
        case SlicePane::Coronal:
            return {d.x, d.z};
        case SlicePane::Sagittal:
            return {d.y, d.z};
    }
    return {};
}

std::int32_t PaneSlice(SlicePane pane, Int3 cursor) {
    switch (pane) {
        case SlicePane::Axial:
            return cursor.z;
        case SlicePane::Coronal:
            return cursor.y;
        case SlicePane::Sagittal:
            return cursor.x;
    }
    return 0;
}

Int3 WithPaneSlice(SlicePane pane, Int3 cursor, std::int32_t slice, Int3 dims) {
    switch (pane) {
        case SlicePane::Axial:
            cursor.z = slice;
            break;
        case SlicePane::Coronal:
            cursor.y = slice;
            break;
        case SlicePane::Sagittal:
            cursor.x = slice;
            break;
    }
    return ClampCursor(cursor, dims);
}

Int3 CursorAtPanePixel(SlicePane pane, Int3 cursor, std::int32_t column, std::int32_t row,
                       Int3 dims) {
    // Far outside clicks must not overflow on the way to the clamp.
    column = std::clamp(column, -1, std::max(dims.x, std::max(dims.y, dims.z)));
    row = std::clamp(row, -1, std::max(dims.y, dims.z));
    return ClampCursor(VoxelOfPixel(pane, cursor, column, row), dims);
}

PanePixel PanePixelOfCursor(SlicePane pane, Int3 cursor) {
    switch (pane) {
        case SlicePane::Axial:
            return {cursor.x - 1, cursor.y - 1};
        case SlicePane::Coronal:
            return {cursor.x - 1, cursor.z - 1};
        case SlicePane::Sagittal:
            return {cursor.y - 1, cursor.z - 1};
    }
    return {};
}

std::uint8_t SliceVoxel(const VolumeStore& v, std::int32_t x, std::int32_t y, std::int32_t z) {
    return StoreVoxel(VolumeSampler::FromStore(v, false), x, y, z);
}

std::uint16_t SliceFineValue(const VolumeStore& v, std::int32_t x, std::int32_t y, std::int32_t z) {
    return FineVoxel(v, VolumeSampler::FromStore(v, false), x, y, z);
}

std::vector<std::uint8_t> PaneValues(const VolumeStore& v, SlicePane pane, Int3 cursor) {
    const VolumeSampler s = VolumeSampler::FromStore(v, false);
    std::vector<std::uint8_t> values;
    ForEachPanePixel(v.dims, pane, cursor, [&](std::int32_t, std::int32_t, Int3 at) {
        values.push_back(StoreVoxel(s, at.x, at.y, at.z));
    });
    return values;
}

std::vector<std::uint8_t> PaneGreys(const VolumeStore& v, const WindowLevel& window, SlicePane pane,
                                    Int3 cursor) {
    const VolumeSampler s = VolumeSampler::FromStore(v, false);
    const std::vector<std::uint8_t> grey = FineGreyTable(v.mapping, window);
    std::vector<std::uint8_t> values;
    ForEachPanePixel(v.dims, pane, cursor, [&](std::int32_t, std::int32_t, Int3 at) {
        values.push_back(grey[FineVoxel(v, s, at.x, at.y, at.z)]);
    });
    return values;
}

Rgb8 PaneColour(const UserSettings& settings, std::uint8_t grey) {
    return DisplayColour(grey, settings.colourMap, settings.displayWindow);
}

void WritePaneRgb(const VolumeStore& v, const UserSettings& settings, SlicePane pane, Int3 cursor,
                  std::uint8_t* rgb, std::size_t rowBytes) {
    const std::vector<std::uint8_t> greys = PaneGreys(v, settings.sliceWindow, pane, cursor);
    const std::int32_t width = SlicePaneSize(pane, v.dims).width;
    for (std::size_t k = 0; k < greys.size(); ++k) {
        const std::size_t row = k / static_cast<std::size_t>(width);
        const std::size_t column = k % static_cast<std::size_t>(width);
        const Rgb8 c = PaneColour(settings, greys[k]);
        std::uint8_t* out = rgb + row * rowBytes + 3 * column;
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b;
    }
}

std::string FileValueText(const ValueMapping& m, std::uint16_t fine) {
    const double value = FileValue(m, fine);
    char text[64];
    if (m.integers && std::fabs(value) < 9.0e15) {
        // Half away from zero; + 0.0 shows a rounded -0.4 as 0.
        std::snprintf(text, sizeof text, "%.0f", std::round(value) + 0.0);
    } else {
        std::snprintf(text, sizeof text, "%.4g", value);
    }
    return text;
}

std::string VoxelReadout(const VolumeStore& v, Int3 at) {
    std::string text = "(" + std::to_string(at.x) + ", " + std::to_string(at.y) + ", " +
                       std::to_string(at.z) +
                       ") = " + std::to_string(SliceVoxel(v, at.x, at.y, at.z)) + "   " +
                       FileValueText(v.mapping, SliceFineValue(v, at.x, at.y, at.z));
    if (!v.mapping.unit.empty()) text += " " + v.mapping.unit;
    return text;
}

SliceStrip MakeSliceStrip(const VolumeStore& v, const UserSettings& settings, Int3 cursor) {
    const Int3 dims = v.dims;
    SliceStrip strip;
    for (SlicePane pane : kSlicePanes) {
        const PaneSize size = SlicePaneSize(pane, dims);
        strip.width += size.width;
        strip.height = std::max(strip.height, size.height);
    }
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(strip.width);
    strip.rgb.assign(rowBytes * static_cast<std::size_t>(strip.height), 0);
    std::size_t left = 0;
    for (SlicePane pane : kSlicePanes) {
        WritePaneRgb(v, settings, pane, cursor, strip.rgb.data() + 3 * left, rowBytes);
        left += static_cast<std::size_t>(SlicePaneSize(pane, dims).width);
    }
    return strip;
}

Point3 CursorScenePoint(const Orientation& o, std::int32_t volumeSize, Int3 cursor) {
    const Point3* World = o.World;
    const float size = static_cast<float>(volumeSize);
    if (!(size > 0.0f)) return World[0];
    auto along = [size](std::int32_t index, const Point3& edge) {
        return ((static_cast<float>(index) + 0.5f) / size) * edge;
    };
    return World[0] + along(cursor.x, World[1] - World[0]) + along(cursor.y, World[3] - World[0]) +
           along(cursor.z, World[4] - World[0]);
}

Face SnapFaceOf(SlicePane pane) {
    switch (pane) {
        case SlicePane::Axial:
            return Face::Front;
        case SlicePane::Coronal:
            return Face::Top;
        case SlicePane::Sagittal:
            return Face::Left;
    }
    return Face::Front;
}

void SnapViewPlaneToCursor(Session& session, SlicePane pane, Int3 cursor) {
    Orientation& o = session.orientation;
    const Point3* World = o.World;
    const float size = static_cast<float>(session.volume().size);
    // The box edge along the pane's normal, and the cursor's index on it.
    Point3 edge = World[4] - World[0];
    std::int32_t index = cursor.z;
    if (pane == SlicePane::Coronal) {
        edge = World[3] - World[0];
        index = cursor.y;
    } else if (pane == SlicePane::Sagittal) {
        edge = World[1] - World[0];
        index = cursor.x;
    }
    SnapViewPlane(session, SnapFaceOf(pane));
    if (!(size > 0.0f)) return;
    // A ray's first sample lies one step (a voxel, or half of one with
    // interpolation) past the plane: 0.375 voxel short of the slice puts it
    // 0.625 or 0.125 into the slice, clear of both of its faces.
    const Point3 move = ((static_cast<float>(index) - 0.375f) / size) * edge;
    TranslateViewPlane(o, move.x, move.y, move.z);
    session.repaint.InvalidateGeometryWindow();
    RequestRender(session);
}

}  // namespace calyra
