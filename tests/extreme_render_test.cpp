// Renders of extreme volumes that the importer accepts: sizes past what the
// buffers hold at one or two pixels a ray, volumes one voxel thin, and value
// scales far above 255. Out-of-bounds access is the sanitizers' to catch;
// these tests check that the image stays in its area and makes sense.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "render/buffers.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "tests/temp_folder.h"
#include "volume/raw_reader.h"

namespace calyra {
namespace {

using test::Store;

namespace fs = std::filesystem;

// A store of the given dims holding an ellipsoid of `value` that fills the
// part of the store inside the rendering cube (or, for a volume two voxels
// thin, the whole sampled layer).
void BuildBallVolume(Session& session, Int3 dims, std::int32_t size, std::uint8_t value,
                     bool mirror) {
    ASSERT_EQ(AllocateVolume(Store(session), dims.x, dims.y, dims.z), 1);
    const float cx = std::min(dims.x, size) / 2.0f, cy = std::min(dims.y, size) / 2.0f,
                cz = std::min(dims.z, size) / 2.0f;
    const bool thin = dims.x <= 2 || dims.y <= 2 || dims.z <= 2;
    for (int x = 1; x < dims.x; ++x) {
        for (int y = 1; y < dims.y; ++y) {
            for (int z = 1; z < dims.z; ++z) {
                const float dx = (x - cx) / cx, dy = (y - cy) / cy, dz = (z - cz) / cz;
                if (thin || dx * dx + dy * dy + dz * dz <= 1.0f)
                    Store(session).voxels[x][y][z] = value;
            }
        }
    }
    PublishShape(Store(session), dims.x, dims.y, dims.z, size);
    Store(session).maxValue = value;
    Store(session).mirrorZ = mirror ? 1 : 0;
}

// Nothing outside the a x r square may be written, in the image or the depths.
void ExpectOnlyTheAreaWritten(const Session& session, int side) {
    for (int x = 0; x < kBufferSide; ++x) {
        for (int y = 0; y < kBufferSide; ++y) {
            if (x < side && y < side) continue;
            ASSERT_EQ(session.buffers.ImageAt(x, y), 0u) << x << ", " << y;
            ASSERT_EQ(session.buffers.DepthAt(x, y), 0) << x << ", " << y;
        }
    }
}

int HitCount(const Session& session, int side) {
    int hits = 0;
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) hits += session.buffers.DepthAt(x, y) != 0;
    }
    return hits;
}

struct ExtremeCase {
    const char* label;
    Int3 dims;
    std::int32_t size;
    bool interp;
    bool mirror;
    int raysPerSide;  // after the cap to the buffers
    bool seen;        // whether the default view meets voxels
};

void PrintTo(const ExtremeCase& c, std::ostream* os) {
    *os << c.label;
}

class ExtremeRender : public test::CoreTest, public ::testing::WithParamInterface<ExtremeCase> {};

TEST_P(ExtremeRender, StaysInTheBuffersAndShowsWhatIsThere) {
    const ExtremeCase& c = GetParam();
    BuildBallVolume(session, c.dims, c.size, 200, c.mirror);
    session.settings.interpolate = c.interp;
    const int rays = RaysPerSide(session);
    EXPECT_EQ(rays, c.raysPerSide);
    const int side = rays * (c.interp ? 2 : 1);
    ASSERT_LE(side, kBufferSide);
    for (RenderType type : {RenderType::Surface, RenderType::Transparent, RenderType::Slice}) {
        RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), type);
        ExpectOnlyTheAreaWritten(session, side);
        // With interpolation the first sample lies half a voxel in, in cell 0,
        // which is never inside: a Slice then shows nothing.
        const bool sampled =
            type == RenderType::Surface || (type == RenderType::Slice && !c.interp);
        if (c.seen && sampled) {
            EXPECT_GT(HitCount(session, side), 0) << "type " << type;
            EXPECT_GT(session.buffers.displayMax, 0) << "type " << type;
        }
        if (!c.seen) {
            EXPECT_EQ(session.buffers.displayMax, 0) << "type " << type;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ExtremeRender,
    ::testing::Values(
        // Interpolation past size 128 would need more than 512 pixels a side.
        ExtremeCase{"SizeAbove128Interpolated", {160, 160, 160}, 160, true, false, 256, true},
        ExtremeCase{
            "SizeAbove128InterpolatedMirrored", {130, 130, 130}, 130, true, true, 256, true},
        ExtremeCase{"SizeAbove512", {600, 600, 40}, 600, false, false, 512, true},
        ExtremeCase{"SizeAbove512Interpolated", {600, 600, 40}, 600, true, true, 256, true},
        // Two voxels thin: one sampled layer, seen edge-on or face-on.
        ExtremeCase{"OneLayerInX", {2, 64, 64}, 64, false, false, 64, true},
        ExtremeCase{"OneLayerInY", {64, 2, 64}, 64, true, false, 128, true},
        ExtremeCase{"OneLayerInZMirrored", {64, 64, 2}, 64, false, true, 64, true},
        ExtremeCase{"OneLayerInZInterpolatedMirrored", {64, 64, 2}, 64, true, true, 128, true},
        // One voxel thin: no cell is strictly inside, so nothing is sampled.
        ExtremeCase{"OneVoxelInX", {1, 64, 64}, 64, false, false, 64, false},
        ExtremeCase{"OneVoxelInZMirrored", {64, 64, 1}, 64, true, true, 128, false},
        // Dims far beyond the rendering cube, as an ASCII import leaves them.
        ExtremeCase{"DimsPastTheCube", {300, 40, 300}, 128, true, true, 256, true}),
    test::kByLabel);

// Values near 2^31 in an ASCII file: the scale is the magnitude, the voxels
// its low eight bits.
class HugeMaxValue : public test::CoreTest {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        path_ = folder_ / "huge.txt";
        std::ofstream out(path_);
        for (int k = 0; k < 40 * 40 * 40; ++k) {
            out << (k % 7 == 0 ? 2147483647 : 2147483520 + k % 100) << ' ';
        }
        session.volumePath = path_.string();
    }
    void TearDown() override {
        session.volumePath.clear();
        test::CoreTest::TearDown();
    }
    test::TempFolder folder_{"calyra_huge_max"};
    fs::path path_;
};

TEST_F(HugeMaxValue, RendersEveryTypeWithoutOverflow) {
    const ImportParams params{40, 40, 40, 1.0f, 1.0f, 1.0f};
    ASSERT_TRUE(ImportParametersAccepted(params, {}, RawFormat::Ascii));
    session.ReplaceVolume(
        LoadRawVolume(session.volumePath, RawFormat::Ascii, params, {}, session.volume()));
    ASSERT_EQ(Store(session).maxValue, 2147483647u);
    EXPECT_EQ(Store(session).voxels[1][1][1], 255);
    for (float level : {0.0f, 0.1f, 1.0f}) {
        session.settings.threshold = level;
        for (bool interp : {false, true}) {
            session.settings.interpolate = interp;
            const int rays = RaysPerSide(session);
            const int side = rays * (interp ? 2 : 1);
            for (RenderType type :
                 {RenderType::Surface, RenderType::Transparent, RenderType::Slice}) {
                RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), type);
                ExpectOnlyTheAreaWritten(session, side);
                // Voxels of at most 255 never pass a tenth of a scale of 2^31.
                const bool hits = type == RenderType::Slice ? !interp : level == 0.0f;
                EXPECT_EQ(session.buffers.displayMax > 0, hits)
                    << "type " << type << " threshold " << level;
            }
        }
    }
}

}  // namespace
}  // namespace calyra
