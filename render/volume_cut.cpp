#include "render/volume_cut.h"

#include <algorithm>
#include <cmath>

namespace calyra {

SampleCut MakeSampleCut(const std::optional<CropBox>& crop, const std::optional<ClipPlane>& clip,
                        Int3 dims) {
    SampleCut cut;
    cut.active = crop.has_value() || clip.has_value();
    // Inside cells are 1..dim - 1 on each axis; the box narrows them. An
    // empty range keeps first == end, which no index passes.
    auto axis = [](std::int32_t dim, std::int32_t lo, std::int32_t hi, std::int32_t& first,
                   std::int32_t& end) {
        end = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{hi} + 1, dim));
        end = std::max(end, 1);
        first = std::clamp(lo, 1, end);
    };
    const CropBox box = crop.value_or(WholeVolumeBox(dims));
    axis(dims.x, box.x0, box.x1, cut.first.x, cut.end.x);
    axis(dims.y, box.y0, box.y1, cut.first.y, cut.end.y);
    axis(dims.z, box.z0, box.z1, cut.first.z, cut.end.z);
    cut.low = {static_cast<float>(cut.first.x), static_cast<float>(cut.first.y),
               static_cast<float>(cut.first.z)};
    cut.high = {static_cast<float>(cut.end.x), static_cast<float>(cut.end.y),
                static_cast<float>(cut.end.z)};
    if (clip) {
        cut.clip = true;
        cut.origin = clip->origin;
        cut.normal = clip->normal;
    }
    return cut;
}

CropBox WholeVolumeBox(Int3 dims) {
    return {1, std::max(dims.x, 1), 1, std::max(dims.y, 1), 1, std::max(dims.z, 1)};
}

void CropBoxCorners(const Orientation& o, std::int32_t volumeSize, const CropBox& box,
                    Point3* out) {
    const Point3* world = o.World;
    const float size = volumeSize > 0 ? static_cast<float>(volumeSize) : 1.0f;
    auto at = [size](std::int32_t position) { return static_cast<float>(position) / size; };
    const float xs[2] = {at(box.x0), at(box.x1 + 1)};
    const float ys[2] = {at(box.y0), at(box.y1 + 1)};
    const float zs[2] = {at(box.z0), at(box.z1 + 1)};
    // World corner k lies at x = 1 for k = 1, 2, 5, 6, y = 1 for 2, 3, 6, 7, z = 1 from 4 on.
    constexpr int kX[8] = {0, 1, 1, 0, 0, 1, 1, 0}, kY[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    const Point3 across = world[1] - world[0], down = world[3] - world[0],
                 deep = world[4] - world[0];
    for (int k = 0; k < 8; ++k) {
        out[k] = world[0] + xs[kX[k]] * across + ys[kY[k]] * down + zs[k / 4] * deep;
    }
}

void PlaneInStoreCoordinates(const Point3* world, const Point3* plane, std::int32_t volumeSize,
                             Point3* out) {
    const float size = static_cast<float>(volumeSize);
    // The volume's own axes, from the box corners.
    const Point3 axisZ = NormalisedOrZero(world[4] - world[0]);
    const Point3 axisY = NormalisedOrZero(world[3] - world[0]);
    // The plane in the volume's frame, in voxel units (the box runs 0..size).
    for (int k = 0; k < kViewPlanePoints; ++k) out[k] = plane[k];
    WorldToView(out, kViewPlanePoints, Point3{}, axisZ, axisY);
    for (int k = 0; k < kViewPlanePoints; ++k) {
        Point3& p = out[k];
        p.x = (p.x + 0.5f) * size;
        p.y = (p.y + 0.5f) * size;
        p.z = (p.z + 0.5f) * size;
    }
}

std::optional<ClipPlane> ClipAtViewPlane(const Orientation& o, std::int32_t size) {
    Point3 mapped[kViewPlanePoints];
    PlaneInStoreCoordinates(o.World, o.ViewPlane, size, mapped);
    const ClipPlane plane{mapped[4], mapped[5] - mapped[4]};
    const float values[] = {plane.origin.x, plane.origin.y, plane.origin.z,
                            plane.normal.x, plane.normal.y, plane.normal.z};
    for (float v : values) {
        if (!std::isfinite(v)) return std::nullopt;
    }
    const Point3& n = plane.normal;
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) return std::nullopt;
    return plane;
}

}  // namespace calyra
