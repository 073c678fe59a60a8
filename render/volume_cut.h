// Cutting into the volume: a crop box in store indices and a clip plane in
// store coordinates, both narrowing which cells every render type samples.
#pragma once

#include <cstdint>
#include <optional>

#include "base/int3.h"
#include "geometry/orientation.h"
#include "geometry/vector_math.h"

namespace calyra {

// x0..x1, y0..y1, z0..z1: store indices, 1 <= x0 <= x1 <= dimX and likewise.
struct CropBox {
    std::int32_t x0 = 1, x1 = 1, y0 = 1, y1 = 1, z0 = 1, z1 = 1;
    bool operator==(const CropBox&) const = default;
};

// The half space kept: N.(P - O) >= 0, store coordinates, N not zero.
struct ClipPlane {
    Point3 origin;
    Point3 normal;
    bool operator==(const ClipPlane&) const = default;
};

// The cut as the cell lookup tests it. A position is kept when its cell
// (truncated, before mirroring) lies in first..end - 1 on every axis, the
// crop box within the inside cells 1..dim - 1, and, with a clip plane, it
// lies in the plane's kept half. low and high are first and end as floats,
// the bounds the marches compare positions with.
struct SampleCut {
    bool active = false;  // false: every inside cell is kept, nothing is tested
    Int3 first, end;
    Point3 low, high;
    bool clip = false;
    Point3 origin, normal;

    // d = N.x (P.x - O.x) + N.y (P.y - O.y) + N.z (P.z - O.z) >= 0, each
    // product and difference a float operation, summed left to right.
    bool KeepsPlane(const Point3& p) const {
        const float d =
            normal.x * (p.x - origin.x) + normal.y * (p.y - origin.y) + normal.z * (p.z - origin.z);
        return d >= 0.0f;
    }
};

// The cut of a volume of dims: inactive without a box or a plane.
SampleCut MakeSampleCut(const std::optional<CropBox>& crop, const std::optional<ClipPlane>& clip,
                        Int3 dims);

// The whole volume as a box: 1..dim on each axis.
CropBox WholeVolumeBox(Int3 dims);

// The box's eight corners in scene coordinates, in the order of the World
// corners: cell i spans [i, i + 1) of the box edge's size voxels.
void CropBoxCorners(const Orientation& o, std::int32_t size, const CropBox& box, Point3* out);

// The six viewing-plane points in store coordinates, mapped as a render's
// frame maps them: into the box's own axes, then (p + 0.5) x size.
void PlaneInStoreCoordinates(const Point3* world, const Point3* plane, std::int32_t size,
                             Point3* out);

// The clip plane where the viewing plane stands: through its centre,
// facing its target, in store coordinates, so that it stays with the
// volume while the view turns. None when the plane has no direction.
std::optional<ClipPlane> ClipAtViewPlane(const Orientation& o, std::int32_t size);

}  // namespace calyra
