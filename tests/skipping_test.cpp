// The per-cell table of samples that may matter, and renders that use it
// against renders that take every sample.
#include <cstdint>
#include <optional>
#include <tuple>
#include <vector>

#include "render/brick_map.h"
#include "render/buffers.h"
#include "render/ray_cast.h"
#include "render/ray_context.h"
#include "render/ray_driver.h"
#include "render/ray_lanes.h"
#include "render/sampler.h"
#include "render/user_settings.h"
#include "render/weights.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

// A noisy CT-like volume: air with a little noise, a box of tissue with
// noise, a bright bar and a uniform block; the same for every run.
void FillNoisyVolume(Session& session, int n, std::uint32_t seed) {
    std::uint32_t state = seed;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 24;
    };
    test::FillCube(session, n, [&](int x, int y, int z) {
        const bool body = x > n / 4 && x < 3 * n / 4 && y > n / 5 && y < 4 * n / 5;
        const bool bar = body && x > n / 2 && x < n / 2 + 3 && y > n / 2 - 2 && y < n / 2 + 2;
        const bool block = body && z > n / 2 && x < n / 2 && y < n / 2;
        std::uint32_t v = next() % 6;
        if (body) v = 60 + next() % 40;
        if (bar) v = 230;
        if (block) v = 120;
        return v;
    });
}

// model (none: the noisy volume), type, interpolation, threshold, mirrored.
using Case = std::tuple<std::optional<ModelType>, RenderType, bool, float, bool>;

class CellTableTest : public test::CoreTest, public ::testing::WithParamInterface<Case> {
  protected:
    void SetUpVolume() {
        const auto [model, type, interp, level, mirrored] = GetParam();
        if (!model) {
            FillNoisyVolume(session, 40, 7u + static_cast<std::uint32_t>(type));
        } else {
            BuildModel(session, *model);
        }
        Store(session).mirrorZ = mirrored ? 1 : 0;
        MarkVolumeChanged(Store(session));
        session.settings.interpolate = interp;
        session.settings.threshold = level;
    }
};

// Every bit of the table says exactly whether that sample can change the
// result: above the quiet level and, for Transparent, a non-zero gradient.
TEST_P(CellTableTest, EveryBitMatchesItsSample) {
    SetUpVolume();
    const RenderType type = std::get<1>(GetParam());
    BrickMap bricks;
    const RayContext context = MakeRayContext(
        session.volume(), type, &bricks, session.settings.threshold, session.settings.interpolate);
    bricks.Build(context.sampler, session.volume());
    bricks.SetQuietRule(context.quietLimit, context.flatIsQuiet);
    // The vector lanes take every render that has a cell table.
    EXPECT_EQ(RayLanesFit(context), context.quietLimit >= 0);
    if (context.quietLimit < 0) {
        EXPECT_FALSE(bricks.HasCells());
        return;
    }
    ASSERT_TRUE(bricks.HasCells());
    const VolumeSampler& s = context.sampler;
    int loud = 0, quiet = 0;
    for (int ix = 1; ix < s.dimX; ++ix)
        for (int iy = 1; iy < s.dimY; ++iy)
            for (int iz = 1; iz < s.dimZ; ++iz)
                for (int corner = 0; corner < (s.trilinear ? 8 : 1); ++corner) {
                    const auto c = s.CellAt(ix, iy, iz, corner, Lookup::Sample);
                    const Int3 g = s.GradientCell(s.CellAt(ix, iy, iz, corner, Lookup::Gradient));
                    bool matters = static_cast<std::int32_t>(s.SampleCell(c)) > context.quietLimit;
                    if (context.flatIsQuiet) matters = matters && (g.x || g.y || g.z);
                    ASSERT_EQ(bricks.Loud(c), matters)
                        << ix << ' ' << iy << ' ' << iz << ' ' << corner;
                    ++(matters ? loud : quiet);
                }
    EXPECT_GT(loud, 0);
    EXPECT_GT(quiet, 0);
}

// The rendered buffers are the same with the table and bricks as without,
// one ray at a time and in vector lanes.
TEST_P(CellTableTest, RendersMatchTakingEverySample) {
    SetUpVolume();
    const RenderType type = std::get<1>(GetParam());
    const std::pair<float, float> turns[] = {{0.0f, 0.0f}, {0.5f, -0.35f}, {-1.2f, 0.7f}};
    int trim = 0;
    for (const auto& [ay, ax] : turns) {
        session.orientation = Orientation();
        RotateViewPlane(session.orientation, ay, ax);
        session.emptySpaceSkipping = false;
        const test::RenderOutputs full = test::RenderOutputsOf(session, type, trim);
        session.emptySpaceSkipping = true;
        session.vectorRays = false;
        const test::RenderOutputs skipped = test::RenderOutputsOf(session, type, trim);
        session.vectorRays = true;
        const test::RenderOutputs lanes = test::RenderOutputsOf(session, type, trim);
        EXPECT_TRUE(full == skipped) << ay << ' ' << ax;
        EXPECT_TRUE(full == lanes) << ay << ' ' << ax;
        EXPECT_GT(full.max, 0);
        trim += 3;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, CellTableTest,
    ::testing::Values(Case{std::nullopt, RenderType::Transparent, true, 0.6f, false},
                      Case{std::nullopt, RenderType::Transparent, false, 0.2f, true},
                      Case{std::nullopt, RenderType::Transparent, true, 0.0f, true},
                      Case{std::nullopt, RenderType::Surface, true, 0.3f, true},
                      Case{std::nullopt, RenderType::Surface, false, 0.45f, false},
                      Case{ModelType::Head, RenderType::Transparent, true, 0.1f, true},
                      Case{ModelType::Head, RenderType::Surface, true, 0.25f, true},
                      Case{ModelType::Cone, RenderType::Transparent, true, 0.1f, true},
                      Case{ModelType::Monkey, RenderType::Transparent, false, 0.3f, true},
                      Case{ModelType::Combined, RenderType::Surface, false, 0.1f, true},
                      Case{ModelType::Ball, RenderType::Surface, true, -0.2f, true},
                      Case{std::nullopt, RenderType::Maximum, true, 0.0f, true},
                      Case{std::nullopt, RenderType::Maximum, false, 0.3f, false},
                      Case{std::nullopt, RenderType::Minimum, true, 0.0f, false},
                      Case{std::nullopt, RenderType::Minimum, true, 0.25f, true},
                      Case{std::nullopt, RenderType::Average, true, 0.0f, true},
                      Case{std::nullopt, RenderType::Average, false, 0.3f, false},
                      Case{ModelType::Head, RenderType::Maximum, true, 0.0f, true},
                      Case{ModelType::Head, RenderType::Minimum, true, 0.1f, true},
                      Case{ModelType::Head, RenderType::Average, true, 0.0f, true},
                      Case{ModelType::Cone, RenderType::Maximum, false, 0.1f, true}));

using SkippingTest = test::CoreTest;

// The face-difference gradient against its definition: differences of the
// full weighted sums half a voxel apart, for every cell position and both
// halves of a mirrored volume.
TEST_F(SkippingTest, TrilinearGradientsEqualDifferencesOfWeightedSums) {
    FillNoisyVolume(session, 24, 11u);
    session.settings.interpolate = true;
    VolumeSampler s = VolumeSampler::FromStore(session.volume(), session.settings.interpolate);
    int nonZero = 0;
    for (bool mirror : {false, true}) {
        s.mirror = mirror;
        for (int ix = 1; ix < 24; ++ix)
            for (int iy = 1; iy < 24; ++iy)
                for (int iz = 1; iz < 24; ++iz)
                    for (int corner = 0; corner < 8; ++corner) {
                        const auto c = s.CellAt(ix, iy, iz, corner, Lookup::Gradient);
                        const std::uint8_t* v = s.Voxel(c.ix, c.iy, c.iz);
                        const std::int32_t s0 = s.WeightedSum(v, c.fx, c.fy, c.fz);
                        const std::int32_t gz = c.mirrored
                                                    ? s0 - s.WeightedSum(v, c.fx, c.fy, c.fz - 1)
                                                    : s.WeightedSum(v, c.fx, c.fy, c.fz + 1) - s0;
                        const Int3 g = s.GradientCell(c);
                        ASSERT_EQ(g.x, s.WeightedSum(v, c.fx + 1, c.fy, c.fz) - s0);
                        ASSERT_EQ(g.y, s.WeightedSum(v, c.fx, c.fy + 1, c.fz) - s0);
                        ASSERT_EQ(g.z, gz) << ix << ' ' << iy << ' ' << iz << ' ' << corner;
                        nonZero += g.x != 0 && g.y != 0 && g.z != 0;
                    }
    }
    EXPECT_GT(nonZero, 1000);
}

TEST_F(SkippingTest, AChangedVolumeRebuildsTheTable) {
    // The cache follows the store's generation: a voxel written after a
    // render is seen by the next one.
    FillNoisyVolume(session, 32, 3u);
    session.settings.interpolate = true;
    session.settings.threshold = 0.5f;
    test::RenderOutputsOf(session, RenderType::Transparent);
    const std::int32_t before = session.buffers.displayMax;
    for (int z = 1; z <= 32; ++z) Store(session).voxels[8][8][z] = 255;
    Store(session).maxValue = 255;
    MarkVolumeChanged(Store(session));
    const test::RenderOutputs cached = test::RenderOutputsOf(session, RenderType::Transparent);
    session.emptySpaceSkipping = false;
    const test::RenderOutputs full = test::RenderOutputsOf(session, RenderType::Transparent);
    session.emptySpaceSkipping = true;
    EXPECT_TRUE(cached == full);
    EXPECT_NE(before, full.max);
}

// Where a brightness leaves the range in which the eight-lane samples agree
// with the one-lane ones (here half the depth-cue table pushed past 2^31),
// the lanes take those samples one at a time and still give the one-ray
// results, mirrored or not.
TEST_F(SkippingTest, LanesPastTheExactRangesFollowTheOneRayRules) {
    if (!RayLanesSupported()) GTEST_SKIP() << "no vector lanes on this processor";
    FillNoisyVolume(session, 40, 5u);
    session.settings.interpolate = true;
    session.settings.threshold = 0.3f;
    session.orientation = Orientation();
    RotateViewPlane(session.orientation, 0.5f, -0.35f);
    const int rays = RaysPerSide(session);
    const RayFrame f =
        PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, rays, rays);
    for (const bool mirror : {false, true}) {
        Store(session).mirrorZ = mirror ? 1 : 0;
        MarkVolumeChanged(Store(session));
        BrickMap bricks;
        RayContext c = MakeRayContext(session.volume(), RenderType::Transparent, &bricks,
                                      session.settings.threshold, session.settings.interpolate);
        bricks.Build(c.sampler, session.volume());
        bricks.SetQuietRule(c.quietLimit, c.flatIsQuiet);
        PrepareDepthCue(c, f.stepCount);
        const RayContext plain = c;
        for (std::size_t k = 0; k < c.sumCue.size(); k += 2) c.sumCue[k] += std::int64_t{3} << 30;
        ASSERT_TRUE(RayLanesFit(c));
        const RayLanesPlan plan = PlanRayLanes(c, f.rayDir);
        int changed = 0;
        for (int j = 0; j < rays; j += 5) {
            Point3 origins[kRayLanes];
            Point3 origin = f.plane[0] + static_cast<float>(j + 2) * f.rowStep;
            for (int first = 0; first + kRayLanes <= rays; first += kRayLanes) {
                for (Point3& o : origins) o = origin = origin + f.columnStep;
                RayResult lanes[kRayLanes];
                CastRayLanes(c, plan, origins, kRayLanes, f.rayDir, f.lightHalfway, f.stepCount,
                             lanes);
                for (int k = 0; k < kRayLanes; ++k) {
                    const RayResult one =
                        CastRay(c, origins[k], f.rayDir, f.lightHalfway, f.stepCount);
                    ASSERT_EQ(lanes[k].value, one.value) << mirror << ' ' << j << ' ' << first + k;
                    ASSERT_EQ(lanes[k].depth, one.depth) << mirror << ' ' << j << ' ' << first + k;
                    const RayResult usual =
                        CastRay(plain, origins[k], f.rayDir, f.lightHalfway, f.stepCount);
                    changed += usual.value != one.value;
                }
            }
        }
        EXPECT_GT(changed, 50) << mirror;
    }
}

}  // namespace
}  // namespace calyra
