// One complete image: rays over an a x b grid on the viewing plane, then the
// image passes and the display maximum.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "base/worker_pool.h"
#include "geometry/orientation.h"
#include "geometry/vector_math.h"
#include "render/brick_map.h"
#include "render/buffers.h"
#include "render/image_passes.h"
#include "render/render_type.h"
#include "render/tf_tables.h"
#include "render/transfer_function.h"
#include "render/volume_cut.h"
#include "volume/volume_store.h"

namespace calyra {

// Everything that is the same for all rays of one render.
struct RayFrame {
    int r = 1;        // pixel step
    Point3 plane[6];  // ViewPlane in voxel units
    Point3 rayDir;    // unit step, or half a unit with interpolation
    Point3 lightHalfway;
    std::int32_t stepCount = 0;
    Point3 columnStep;
    Point3 rowStep;
    Int3 viewAxis, columnAxis, rowAxis;
};

// What a render reads besides the store, copied, so that the program may
// move the plane on while a render of an earlier view runs elsewhere.
struct RenderInputs {
    Point3 world[kWorldPoints];
    Point3 plane[kViewPlanePoints];
    RenderType type = RenderType::Surface;
    float threshold = 0.0f;
    bool interpolate = false;
    bool gradientShading = false;
    // Cut positions sample as 0 and count for nothing (render/volume_cut.h).
    std::optional<CropBox> crop;
    std::optional<ClipPlane> clip;
    // Composite's colours and opacities (empty for the other types, whose
    // images it does not change).
    TransferFunction transferFunction;
    bool operator==(const RenderInputs&) const = default;
};

// Computes the per-render values from the box, the plane, the volume's size
// (the box edge in voxels) and interpolation.
RayFrame PrepareRayFrame(const RenderInputs& inputs, std::int32_t size, int a, int b);

// The working memory of a render beside the program's buffers. The skipping
// tables in it are kept while the volume and the levels stay the same, so
// later renders reuse them.
struct RenderScratch {
    Point3 rowStart[kBufferSide];  // first point of each ray row
    float columnMax[kBufferSide];  // largest value of each image column
    BrickMap bricks;
    TfTables tfTables;  // Composite's, made for each render
};

// Where a render writes: two whole 512 x 512 buffers laid out as ImageBuffer
// and DepthBuffer, and the display maximum of the image area.
struct RenderOutput {
    std::uint32_t* image = nullptr;
    std::int32_t* depth = nullptr;
    std::int32_t displayMax = 0;
};

// How much of a render to do. With a stride s > 1 only every s-th ray column
// and row is cast (the same rays the whole render casts there), and each
// fills its s x s block of cells. A render whose cancel flag is seen set stops
// at its next row. Skipping and vector lanes change no bit of the image.
struct RenderControl {
    int stride = 1;
    const std::atomic<bool>* cancel = nullptr;
    bool emptySpaceSkipping = true;
    bool vectorRays = true;
};

// Renders inputs over volume into out. a, b: ray columns and rows; the image
// area a*r x b*r is capped to the 512 x 512 buffers. False when cancelled, the
// buffers then hold no usable image. Renders sharing a scratch must not run at
// once (its skipping tables); renders with scratches of their own may.
// Skipping passes over blocks that cannot change the image; vector rays
// march eight rays at a time in vector lanes where the processor can
// (renders with skipping, and renders that take every sample in tiles of
// rays, render/ray_tiles.h).
bool RenderFrame(const VolumeStore& volume, const RenderInputs& inputs, int a, int b,
                 RenderOutput& out, RenderScratch& scratch, RenderControl control = {});

}  // namespace calyra
