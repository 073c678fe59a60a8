// Renders that take every sample, marched in tiles of rays a slab at a
// time, against the plain one-ray march.
#include "render/ray_tiles.h"

#include <tuple>
#include <vector>

#include "base/worker_pool.h"
#include "render/brick_map.h"
#include "render/ray_context.h"
#include "render/ray_driver.h"
#include "render/ray_lanes.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

// model, interpolation, mirrored, rays left off the row ends.
using Case = std::tuple<ModelType, bool, bool, int>;

class RayTilesTest : public test::CoreTest, public ::testing::WithParamInterface<Case> {
  protected:
    void TearDown() override {
        session.vectorRays = true;
        session.emptySpaceSkipping = true;
        SetWorkerThreads(2);
        test::CoreTest::TearDown();
    }
};

// The tiles give every buffer value of the one-ray march, with and without
// skipping, on one thread and two, from views where rays enter and leave the
// volume at every angle; trimmed rows leave partial tiles and vectors.
TEST_P(RayTilesTest, MatchTheOneRayMarch) {
    const auto [model, interp, mirrored, trim] = GetParam();
    BuildModel(session, model);
    Store(session).mirrorZ = mirrored ? 1 : 0;
    MarkVolumeChanged(Store(session));
    session.settings.interpolate = interp;
    session.settings.threshold = 0.0f;
    if (RayLanesSupported()) {
        ASSERT_TRUE(
            RayTilesFit(MakeRayContext(session.volume(), RenderType::Transparent, nullptr,
                                       session.settings.threshold, session.settings.interpolate)));
    }
    const std::pair<float, float> turns[] = {
        {0.0f, 0.0f}, {0.5f, -0.35f}, {-1.2f, 0.7f}, {1.5707964f, 0.0f}, {2.3f, 2.9f}};
    for (const auto& [ay, ax] : turns) {
        session.orientation = Orientation();
        RotateViewPlane(session.orientation, ay, ax);
        session.vectorRays = false;
        session.emptySpaceSkipping = false;
        const test::RenderOutputs plain =
            test::RenderOutputsOf(session, RenderType::Transparent, trim);
        session.vectorRays = true;
        const test::RenderOutputs tiles =
            test::RenderOutputsOf(session, RenderType::Transparent, trim);
        session.emptySpaceSkipping = true;
        const test::RenderOutputs skipping =
            test::RenderOutputsOf(session, RenderType::Transparent, trim);
        SetWorkerThreads(1);
        const test::RenderOutputs oneThread =
            test::RenderOutputsOf(session, RenderType::Transparent, trim);
        SetWorkerThreads(2);
        EXPECT_GT(plain.max, 0);
        EXPECT_TRUE(plain == tiles) << ay << ' ' << ax;
        EXPECT_TRUE(plain == skipping) << ay << ' ' << ax;
        EXPECT_TRUE(plain == oneThread) << ay << ' ' << ax;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, RayTilesTest,
                         ::testing::Values(Case{ModelType::Head, true, true, 0},
                                           Case{ModelType::Head, false, false, 5},
                                           Case{ModelType::Cone, true, false, 13},
                                           Case{ModelType::Monkey, false, true, 0},
                                           Case{ModelType::Combined, true, true, 3},
                                           Case{ModelType::Ball, false, true, 9}));

// The projections fold their counted samples in the tiles too: the same
// value and first-met depth as the one-ray march, at thresholds that count
// every sample inside, some, and none, with skipping and without.
class RayTilesProjectionTest : public test::CoreTest {
  protected:
    void TearDown() override {
        session.vectorRays = true;
        session.emptySpaceSkipping = true;
        test::CoreTest::TearDown();
    }
};

TEST_F(RayTilesProjectionTest, MatchTheOneRayMarch) {
    const RenderType types[] = {RenderType::Maximum, RenderType::Minimum, RenderType::Average};
    const std::tuple<ModelType, bool, bool> cases[] = {{ModelType::Head, true, true},
                                                       {ModelType::Combined, false, false},
                                                       {ModelType::Cone, true, false}};
    for (const auto& [model, interp, mirrored] : cases) {
        BuildModel(session, model);
        Store(session).mirrorZ = mirrored ? 1 : 0;
        MarkVolumeChanged(Store(session));
        session.settings.interpolate = interp;
        for (const float level : {0.0f, 0.3f, 1.5f}) {
            session.settings.threshold = level;
            for (const RenderType type : types) {
                if (RayLanesSupported()) {
                    ASSERT_TRUE(RayTilesFit(MakeRayContext(session.volume(), type, nullptr,
                                                           session.settings.threshold,
                                                           session.settings.interpolate)));
                }
                session.orientation = Orientation();
                RotateViewPlane(session.orientation, 0.5f, -0.35f);
                session.vectorRays = false;
                session.emptySpaceSkipping = false;
                const test::RenderOutputs plain = test::RenderOutputsOf(session, type, 7);
                session.vectorRays = true;
                const test::RenderOutputs tiles = test::RenderOutputsOf(session, type, 7);
                session.emptySpaceSkipping = true;
                const test::RenderOutputs skipping = test::RenderOutputsOf(session, type, 7);
                EXPECT_EQ(plain.max > 0, level < 1.0f) << type << ' ' << level;
                EXPECT_TRUE(plain == tiles) << type << ' ' << level;
                EXPECT_TRUE(plain == skipping) << type << ' ' << level;
            }
        }
    }
}

// A preview's tiles hold every stride-th ray of every stride-th row: the
// buffers are those of the row-by-row preview, partial tiles included.
TEST_F(RayTilesProjectionTest, APreviewInTilesIsTheRowByRowPreview) {
    BuildModel(session, ModelType::Head);
    session.settings.interpolate = true;
    session.settings.threshold = 0.0f;
    RotateViewPlane(session.orientation, -1.2f, 0.7f);
    std::vector<std::uint32_t> image(kBufferSide * kBufferSide * 3);
    std::vector<std::int32_t> depth(kBufferSide * kBufferSide);
    const auto render = [&](RenderType type, int stride) {
        RenderOutput out{image.data(), depth.data()};
        EXPECT_TRUE(RenderFrame(session.volume(), CurrentRenderInputs(session, type),
                                RaysPerSide(session) - 5, RaysPerSide(session), out,
                                session.renderScratch, RenderControl{stride, nullptr}));
        return test::RenderOutputs{image, depth, out.displayMax};
    };
    for (const RenderType type :
         {RenderType::Transparent, RenderType::Maximum, RenderType::Average}) {
        for (const int stride : {2, 3, 8}) {
            session.vectorRays = false;
            const test::RenderOutputs rows = render(type, stride);
            session.vectorRays = true;
            const test::RenderOutputs tiles = render(type, stride);
            EXPECT_GT(rows.max, 0);
            EXPECT_TRUE(rows == tiles) << type << ' ' << stride;
        }
    }
}

}  // namespace
}  // namespace calyra
