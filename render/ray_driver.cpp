#include "render/ray_driver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "geometry/orientation.h"
#include "render/brick_map.h"
#include "render/buffers.h"
#include "render/composite_march.h"
#include "render/ray_cast.h"
#include "render/ray_context.h"
#include "render/ray_lanes.h"
#include "render/ray_tiles.h"

namespace calyra {

namespace {

// Scales v so that its largest component becomes 6 in magnitude. A largest
// component that is a negative y or z comes out turned round.
Int3 IntegerAxis(const Point3& v) {
    float m = std::fabs(v.x);
    if (std::fabs(v.y) > std::fabs(m)) m = v.y;
    if (std::fabs(v.z) > std::fabs(m)) m = v.z;
    if (m == 0.0f) return {};
    const float scale = m / 6.0f;
    auto axis = [scale](float c) {
        const float q = c / scale;
        return (q > -2.0e9f && q < 2.0e9f) ? static_cast<std::int32_t>(q) : 0;
    };
    return {axis(v.x), axis(v.y), axis(v.z)};
}

// Largest component value over the image area, compared as floats.
std::int32_t DisplayMaximum(const std::uint32_t* image, int width, int height, float* rowMax) {
    ParallelFor(width, [&](std::int32_t x) {
        float best = 0.0f;
        // The three components of a pixel are equal: the first stands for all.
        const std::uint32_t* column = image + 3 * (x * kBufferSide);
        for (int k = 0; k < 3 * height; k += 3) {
            const float value = static_cast<float>(column[k]);
            if (value > best) best = value;
        }
        rowMax[x] = best;
    });
    float best = 0.0f;
    for (int x = 0; x < width; ++x) best = rowMax[x] > best ? rowMax[x] : best;
    const double scaled = static_cast<double>(best) * 1.1;
    return scaled >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(scaled);
}

// Copies each cast pixel (at multiples of block) over its block x block
// square, clipped to the width x height image area.
void FillStrideBlocks(std::uint32_t* image, std::int32_t* depth, int width, int height, int block) {
    const int blockColumns = (width + block - 1) / block;
    ParallelFor(blockColumns, [&](std::int32_t column) {
        const int x0 = column * block;
        const int x1 = std::min(x0 + block, width);
        for (int y0 = 0; y0 < height; y0 += block) {
            const int y1 = std::min(y0 + block, height);
            const std::size_t from = static_cast<std::size_t>(x0) * kBufferSide + y0;
            const std::uint32_t r = image[3 * from], g = image[3 * from + 1],
                                b = image[3 * from + 2];
            const std::int32_t d = depth[from];
            for (int x = x0; x < x1; ++x) {
                for (int y = y0; y < y1; ++y) {
                    const std::size_t at = static_cast<std::size_t>(x) * kBufferSide + y;
                    image[3 * at] = r;
                    image[3 * at + 1] = g;
                    image[3 * at + 2] = b;
                    depth[at] = d;
                }
            }
        }
    });
}

// Both whole buffers start at 0; 32 columns per task share the clearing.
void ClearBuffers(std::uint32_t* image, std::int32_t* depth) {
    constexpr int kColumns = 32;
    ParallelFor(kBufferSide / kColumns, [&](std::int32_t part) {
        const std::size_t first = static_cast<std::size_t>(part) * kColumns * kBufferSide;
        const std::size_t count = static_cast<std::size_t>(kColumns) * kBufferSide;
        std::memset(image + 3 * first, 0, 3 * count * sizeof(std::uint32_t));
        std::memset(depth + first, 0, count * sizeof(std::int32_t));
    });
}

// Row starts by the same float additions as one pass would make:
// two row steps in, then one per row.
void PlaceRowStarts(const RayFrame& f, int rows, Point3* rowStart) {
    Point3 s = f.plane[0] + f.rowStep + f.rowStep;
    for (int j = 0; j < rows; ++j) {
        rowStart[j] = s;
        s = s + f.rowStep;
    }
}

// The rays of one frame: where each row starts, how its rays are cast and
// where their results go. a rays per row, b rows; with a stride only every
// stride-th ray of every stride-th row is cast.
struct FrameMarch {
    const RayFrame& f;
    const RayContext& context;
    const RayLanesPlan& plan;
    const Point3* rowStart;
    int a, b, r, stride;
    std::uint32_t* image;
    std::int32_t* depth;
    const std::atomic<bool>* cancel;

    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    // Ray column i of row j into the frame's buffers.
    void Store(int i, int j, const RgbRay& ray) const {
        const int x = i * r, y = j * r;
        depth[x * kBufferSide + y] = ray.depth;
        std::uint32_t* pixel = image + 3 * (x * kBufferSide + y);
        pixel[0] = ray.rgb[0];
        pixel[1] = ray.rgb[1];
        pixel[2] = ray.rgb[2];
    }
    void Store(int i, int j, const RayResult& ray) const {
        const int x = i * r, y = j * r;
        depth[x * kBufferSide + y] = ray.depth;
        std::uint32_t* pixel = image + 3 * (x * kBufferSide + y);
        pixel[0] = pixel[1] = pixel[2] = ray.value;
    }

    // One task per tile: the rays of a tile share their cache.
    void Tiles() const {
        const int castRows = (b + stride - 1) / stride, castColumns = (a + stride - 1) / stride;
        const int bands = (castRows + kTileRows - 1) / kTileRows;
        const int chunks = (castColumns + kTileColumns - 1) / kTileColumns;
        ParallelFor(bands * chunks, [&](std::int32_t t) {
            if (Cancelled()) return;
            const int top = t / chunks * kTileRows, first = t % chunks * kTileColumns;
            const int rows = std::min(kTileRows, castRows - top);
            const int columns = std::min(kTileColumns, castColumns - first);
            Point3 origins[kTileRows][kTileColumns];
            const Point3* tile[kTileRows] = {};
            for (int k = 0; k < rows; ++k) {
                // Each origin from the one before by one addition, from the row's start.
                Point3 origin = rowStart[(top + k) * stride];
                const int last = (first + columns - 1) * stride;
                for (int i = 0; i <= last; ++i) {
                    origin = origin + f.columnStep;
                    if (i % stride == 0 && i >= first * stride)
                        origins[k][i / stride - first] = origin;
                }
                tile[k] = origins[k];
            }
            RayResult rays[kTileRows * kTileColumns];
            CastRayTile(context, plan, tile, rows, columns, f.rayDir, f.stepCount, rays);
            for (int k = 0; k < rows; ++k) {
                for (int c = 0; c < columns; ++c) {
                    Store((first + c) * stride, (top + k) * stride, rays[k * kTileColumns + c]);
                }
            }
        });
    }

    // Composite rays in square tiles, one task each: neighbouring rays
    // read much the same voxels, so a tile's rays find them in the cache.
    void CompositeTiles(const CompositeContext& composite) const {
        constexpr int kSide = 16;
        const int castRows = (b + stride - 1) / stride, castColumns = (a + stride - 1) / stride;
        const int bands = (castRows + kSide - 1) / kSide;
        const int chunks = (castColumns + kSide - 1) / kSide;
        ParallelFor(bands * chunks, [&](std::int32_t t) {
            if (Cancelled()) return;
            const int top = t / chunks * kSide, first = t % chunks * kSide;
            const int rows = std::min(kSide, castRows - top);
            const int last = (first + std::min(kSide, castColumns - first) - 1) * stride;
            for (int k = 0; k < rows; ++k) {
                const int j = (top + k) * stride;
                // Each origin from the one before by one addition, from the row's start.
                Point3 origin = rowStart[j];
                for (int i = 0; i <= last; ++i) {
                    origin = origin + f.columnStep;
                    if (i % stride != 0 || i < first * stride) continue;
                    Store(
                        i, j,
                        CastCompositeRay(composite, origin, f.rayDir, f.lightHalfway, f.stepCount));
                }
            }
        });
    }

    // One task per row, eight rays at a time in vector lanes where they fit.
    void Rows(bool lanes) const {
        const int castRows = (b + stride - 1) / stride;
        ParallelFor(castRows, [&](std::int32_t row) {
            if (Cancelled()) return;
            const int j = row * stride;
            // The ray origins of the row, each from the one before by one addition;
            // with a stride only every stride-th of them is cast.
            Point3 origins[kBufferSide];
            Point3 origin = rowStart[j];
            int n = 0;
            for (int i = 0; i < a; ++i) {
                origin = origin + f.columnStep;
                if (i % stride == 0) origins[n++] = origin;
            }
            RayResult rays[kRayLanes];
            const RayMarch cast = RayMarchOf(context);
            for (int first = 0; first < n; first += kRayLanes) {
                const int count = std::min(kRayLanes, n - first);
                if (lanes) {
                    CastRayLanes(context, plan, origins + first, count, f.rayDir, f.lightHalfway,
                                 f.stepCount, rays);
                } else {
                    for (int k = 0; k < count; ++k) {
                        rays[k] = cast(context, origins[first + k], f.rayDir, f.lightHalfway,
                                       f.stepCount);
                    }
                }
                for (int k = 0; k < count; ++k) Store((first + k) * stride, j, rays[k]);
            }
        });
    }
};

// The rays and gap filling of a Composite render, into cleared buffers
// whose row starts are placed.
bool RenderComposite(const VolumeStore& volume, const RenderInputs& in, const RayFrame& f, int a,
                     int b, RenderOutput& out, RenderScratch& scratch, RenderControl control) {
    const int r = f.r;
    const int stride = std::clamp(control.stride, 1, kBufferSide);
    TfTables& tables = scratch.tfTables;
    BuildTfTables(in.transferFunction, volume.mapping.lo, volume.mapping.hi, in.interpolate,
                  tables);
    CompositeContext composite;
    composite.sampler = VolumeSampler::FromStore(volume, in.interpolate);
    composite.fine = FineVoxels::FromStore(volume);
    composite.tables = &tables;
    composite.shade = in.gradientShading && tables.shading;
    if (control.emptySpaceSkipping && composite.fine.base) {
        BrickMap& bricks = scratch.bricks;
        bricks.Build(composite.sampler, volume);
        bricks.BuildFine(composite.fine.base, composite.fine.xStride, composite.fine.yStride);
        bricks.SetOpacityRule(tables.opacity);
        composite.bricks = &bricks;
    }
    // The skipping tables hold the whole volume; the cut narrows the lookup.
    composite.sampler.CutBy(in.crop, in.clip);
    const RayLanesPlan plan;
    const FrameMarch march{f,      RayContext{}, plan,      scratch.rowStart, a, b, r,
                           stride, out.image,    out.depth, control.cancel};
    march.CompositeTiles(composite);
    if (march.Cancelled()) return false;
    if (stride > 1) {
        FillStrideBlocks(out.image, out.depth, a * r, b * r, stride * r);
    } else if (r > 1) {
        FillImageGaps(out.image, a, b, r, 3);
    }
    return true;
}

}  // namespace

RayFrame PrepareRayFrame(const RenderInputs& in, std::int32_t volumeSize, int a, int b) {
    RayFrame f;
    f.r = in.interpolate ? 2 : 1;
    // The plane in the volume's frame, in voxel units (the box runs 0..size).
    PlaneInStoreCoordinates(in.world, in.plane, volumeSize, f.plane);

    f.rayDir = NormalisedOrZero(f.plane[5] - f.plane[4]);

    // Light halfway between the view and the fixed direction (1, 1, 1) / sqrt(3).
    const double c = 1.0 / std::sqrt(3.0);
    const Point3 halfway{static_cast<float>(-(f.rayDir.x + c)),
                         static_cast<float>(-(f.rayDir.y + c)),
                         static_cast<float>(-(f.rayDir.z + c))};
    f.lightHalfway = NormalisedOrZero(halfway);

    f.stepCount = volumeSize;
    if (in.interpolate) {
        f.stepCount = 2 * volumeSize;
        f.rayDir = Point3{f.rayDir.x * 0.5f, f.rayDir.y * 0.5f, f.rayDir.z * 0.5f};
    }

    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    const Point3 across = f.plane[1] - f.plane[0];
    const Point3 down = f.plane[3] - f.plane[0];
    f.columnStep = Point3{across.x / fa, across.y / fa, across.z / fa};
    f.rowStep = Point3{down.x / fb, down.y / fb, down.z / fb};

    f.viewAxis = IntegerAxis(f.rayDir);
    f.columnAxis = IntegerAxis(f.columnStep);
    f.rowAxis = IntegerAxis(f.rowStep);
    return f;
}

bool RenderFrame(const VolumeStore& volume, const RenderInputs& in, int a, int b, RenderOutput& out,
                 RenderScratch& scratch, RenderControl control) {
    const RenderType type = in.type;
    const int r = in.interpolate ? 2 : 1;
    std::uint32_t* image = out.image;
    std::int32_t* depth = out.depth;
    const int stride = std::clamp(control.stride, 1, kBufferSide);

    // The image area must fit the 512 x 512 buffers.
    a = std::clamp(a, 0, kBufferSide / r);
    b = std::clamp(b, 0, kBufferSide / r);
    const RayFrame f = PrepareRayFrame(in, volume.size, a > 0 ? a : 1, b > 0 ? b : 1);
    ClearBuffers(image, depth);
    PlaceRowStarts(f, b, scratch.rowStart);

    if (TraitsOf(type).rgb) {
        if (!RenderComposite(volume, in, f, a, b, out, scratch, control)) return false;
        out.displayMax = 255;
        return true;
    }

    BrickMap& bricks = scratch.bricks;
    const bool skip = control.emptySpaceSkipping && TraitsOf(type).skipsEmptySpace;
    RayContext context =
        MakeRayContext(volume, type, skip ? &bricks : nullptr, in.threshold, in.interpolate);
    PrepareDepthCue(context, f.stepCount);
    if (skip) {
        bricks.Build(context.sampler, volume);
        bricks.SetQuietRule(context.quietLimit, context.flatIsQuiet);
    }
    // The skipping tables hold the whole volume; the cut narrows the lookup.
    context.sampler.CutBy(in.crop, in.clip);

    // Renders that take every sample march tiles of rays (a preview's tiles
    // hold every stride-th ray of every stride-th row); the others go row by row.
    const bool vectors = control.vectorRays;
    const bool tiles = vectors && RayTilesFit(context);
    const bool lanes = !tiles && vectors && RayLanesSupported() && skip && RayLanesFit(context);
    const RayLanesPlan plan = lanes || tiles ? PlanRayLanes(context, f.rayDir) : RayLanesPlan{};
    const FrameMarch march{f,      context, plan,  scratch.rowStart, a, b, r,
                           stride, image,   depth, control.cancel};
    if (tiles) {
        march.Tiles();
    } else {
        march.Rows(lanes);
    }
    if (march.Cancelled()) return false;

    if (stride > 1) {
        FillStrideBlocks(image, depth, a * r, b * r, stride * r);
    } else if (r > 1) {
        FillImageGaps(image, a, b, r);
    }
    if (TraitsOf(type).depthShading && in.gradientShading) {
        if (r > 1 && stride == 1) FillDepthGaps(depth, a, b, r);
        ShadeFromDepth(image, depth, volume.maxValue, Int3{-36, -36, -36}, f.viewAxis, f.columnAxis,
                       f.rowAxis, a, b, r, 1);
    }
    out.displayMax = DisplayMaximum(image, a * r, b * r, scratch.columnMax);
    return true;
}

}  // namespace calyra
