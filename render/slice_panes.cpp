#include "render/slice_panes.h"

#include <algorithm>

#include "base/repaint.h"
#include "render/sampler.h"
#include "volume/volume_store.h"

namespace calyra {

namespace {

struct PaneRule {
    const char* name;
    char axis;
};
constexpr PaneRule kPaneRules[kSlicePaneCount] = {
    {"Axial", 'Z'}, {"Coronal", 'Y'}, {"Sagittal", 'X'}};

const PaneRule& RuleOf(SlicePane pane) {
    return kPaneRules[static_cast<int>(pane)];
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

// Voxel (x, y, z) through the sampler's view of the store: its mirror, and
// nothing outside 0..dim or without a store.
std::uint8_t StoreVoxel(const VolumeSampler& s, std::int32_t x, std::int32_t y, std::int32_t z) {
    if (!s.base) return 0;
    if (x < 0 || y < 0 || z < 0 || x > s.dimX || y > s.dimY || z > s.dimZ) return 0;
    const std::int32_t stored = s.Mirrored(z, Lookup::Sample) ? s.dimZ - 1 - z : z;
    if (stored < 0) return 0;
    return *s.Voxel(x, y, stored);
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

std::uint8_t SliceVoxel(std::int32_t x, std::int32_t y, std::int32_t z) {
    return StoreVoxel(VolumeSampler::FromCurrentVolume(), x, y, z);
}

std::vector<std::uint8_t> PaneValues(SlicePane pane, Int3 cursor) {
    const VolumeSampler s = VolumeSampler::FromCurrentVolume();
    const PaneSize size = SlicePaneSize(pane, VoxelVolume.dims);
    std::vector<std::uint8_t> values(static_cast<std::size_t>(size.width) *
                                     static_cast<std::size_t>(size.height));
    std::size_t k = 0;
    for (std::int32_t row = 0; row < size.height; ++row) {
        for (std::int32_t column = 0; column < size.width; ++column) {
            const Int3 v = VoxelOfPixel(pane, cursor, column, row);
            values[k++] = StoreVoxel(s, v.x, v.y, v.z);
        }
    }
    return values;
}

Rgb8 PaneColour(std::uint8_t value) {
    return DisplayColour(value, colourMap, displayWindow);
}

void WritePaneRgb(SlicePane pane, Int3 cursor, std::uint8_t* rgb, std::size_t rowBytes) {
    const PaneSize size = SlicePaneSize(pane, VoxelVolume.dims);
    const std::vector<std::uint8_t> values = PaneValues(pane, cursor);
    const std::uint8_t* value = values.data();
    for (std::int32_t row = 0; row < size.height; ++row) {
        std::uint8_t* out = rgb + static_cast<std::size_t>(row) * rowBytes;
        for (std::int32_t column = 0; column < size.width; ++column) {
            const Rgb8 c = PaneColour(*value++);
            *out++ = c.r;
            *out++ = c.g;
            *out++ = c.b;
        }
    }
}

SliceStrip MakeSliceStrip(Int3 cursor) {
    const Int3 dims = VoxelVolume.dims;
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
        WritePaneRgb(pane, cursor, strip.rgb.data() + 3 * left, rowBytes);
        left += static_cast<std::size_t>(SlicePaneSize(pane, dims).width);
    }
    return strip;
}

Point3 CursorScenePoint(Int3 cursor) {
    const float size = static_cast<float>(VoxelVolume.size);
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

void SnapViewPlaneToCursor(SlicePane pane, Int3 cursor) {
    const float size = static_cast<float>(VoxelVolume.size);
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
    SnapViewPlane(SnapFaceOf(pane));
    if (!(size > 0.0f)) return;
    // A ray's first sample lies one step (a voxel, or half of one with
    // interpolation) past the plane: 0.375 voxel short of the slice puts it
    // 0.625 or 0.125 into the slice, clear of both of its faces.
    const Point3 move = ((static_cast<float>(index) - 0.375f) / size) * edge;
    TranslateViewPlane(move.x, move.y, move.z);
    InvalidateGeometryWindow();
    RequestRender();
}

}  // namespace calyra
