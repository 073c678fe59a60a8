#include "render/ray_driver.h"

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "base/worker_pool.h"
#include "render/ray_cast.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

class RayDriverTest : public test::CoreTest {
  protected:
    void Build(ModelType model) { BuildModel(session, model); }
};

TEST_F(RayDriverTest, TheDefaultOrientationMapsThePlaneOntoTheFrontFace) {
    Build(ModelType::Ball);
    const RayFrame f = PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, 64, 64);
    EXPECT_EQ(f.plane[0], (Point3{0, 0, 0}));
    EXPECT_EQ(f.plane[1], (Point3{64, 0, 0}));
    EXPECT_EQ(f.plane[2], (Point3{64, 64, 0}));
    EXPECT_EQ(f.plane[3], (Point3{0, 64, 0}));
    EXPECT_EQ(f.plane[4], (Point3{32, 32, 0}));
    EXPECT_EQ(f.plane[5], (Point3{32, 32, 32}));
    EXPECT_EQ(f.rayDir, (Point3{0, 0, 1}));
    EXPECT_EQ(f.columnStep, (Point3{1, 0, 0}));
    EXPECT_EQ(f.rowStep, (Point3{0, 1, 0}));
    EXPECT_EQ(f.stepCount, 64);
    EXPECT_EQ(f.viewAxis.z, 6);
    EXPECT_EQ(f.columnAxis.x, 6);
    EXPECT_EQ(f.rowAxis.y, 6);
    const double c = 1.0 / std::sqrt(3.0);
    const double n = std::sqrt(c * c + c * c + (1 + c) * (1 + c));
    EXPECT_NEAR(f.lightHalfway.x, -c / n, 1e-6);
    EXPECT_NEAR(f.lightHalfway.z, -(1 + c) / n, 1e-6);
}

TEST_F(RayDriverTest, IntegerAxesTurnANegativeLargestYOrZRound) {
    Build(ModelType::Ball);
    SnapViewPlane(session.orientation, Face::Back);  // view along -z of the volume
    const RayFrame f = PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, 64, 64);
    EXPECT_EQ(f.rayDir, (Point3{0, 0, -1}));
    EXPECT_EQ(f.viewAxis.z, 6);
    EXPECT_EQ(f.columnAxis.x, -6);  // a largest x keeps its sign
}

TEST_F(RayDriverTest, InterpolationHalvesTheStepAndDoublesTheCount) {
    Build(ModelType::Ball);
    session.settings.interpolate = true;
    const RayFrame f =
        PrepareRayFrame(CurrentRenderInputs(session), session.volume().size, 128, 128);
    EXPECT_EQ(f.rayDir, (Point3{0, 0, 0.5f}));
    EXPECT_EQ(f.stepCount, 128);
    EXPECT_EQ(RaysPerSide(session), 128);
}

TEST_F(RayDriverTest, RayIJStartsOneColumnAndTwoRowsIn) {
    Build(ModelType::Ball);
    // Slice shows the first sample: voxel (i + 1, j + 2, 1) for ray (i, j).
    ASSERT_EQ(AllocateVolume(Store(session), 64, 64, 64), 1);
    PublishShape(Store(session), 64, 64, 64, 64);
    Store(session).maxValue = 256;
    Store(session).voxels[6][9][1] = 77;
    RenderImage(session, 64, 64, session.buffers.ImageBuffer.data(), RenderType::Slice);
    EXPECT_EQ(session.buffers.ImageAt(5, 7), 77u);
    EXPECT_EQ(session.buffers.DepthAt(5, 7), 1);
    EXPECT_EQ(session.buffers.displayMax, static_cast<std::int32_t>(77 * 1.1));
}

TEST_F(RayDriverTest, TheLastColumnAndTwoRowsLieOutsideTheVolume) {
    Build(ModelType::Ball);
    ASSERT_EQ(AllocateVolume(Store(session), 64, 64, 64), 1);
    PublishShape(Store(session), 64, 64, 64, 64);
    Store(session).maxValue = 256;
    for (int x = 0; x <= 64; ++x)
        for (int y = 0; y <= 64; ++y)
            for (int z = 0; z <= 64; ++z) Store(session).voxels[x][y][z] = 50;
    session.settings.threshold = 0.0f;
    RenderImage(session, 64, 64, session.buffers.ImageBuffer.data(), RenderType::Transparent);
    for (int k = 0; k < 62; ++k) {
        EXPECT_EQ(session.buffers.ImageAt(63, k), 0u) << k;
        EXPECT_EQ(session.buffers.ImageAt(k, 62), 0u) << k;
        EXPECT_EQ(session.buffers.ImageAt(k, 63), 0u) << k;
    }
    EXPECT_EQ(session.buffers.ImageAt(62, 61), 50u * 63);  // samples at z = 1..63
}

TEST_F(RayDriverTest, AnEmptyVolumeRendersBlackWithDisplayMaxZero) {
    for (const RenderTypeTraits& row : kRenderTypeTraits) {
        RenderImage(session, 64, 64, session.buffers.ImageBuffer.data(), row.type);
        // A colour image's components are shown as they are.
        EXPECT_EQ(session.buffers.displayMax, row.rgb ? 255 : 0);
        for (int k = 0; k < 64 * 64; ++k) ASSERT_EQ(session.buffers.ImageAt(k / 64, k % 64), 0u);
    }
}

TEST_F(RayDriverTest, InterpolatedRendersLeaveTheLastColumnAndRowBlack) {
    Build(ModelType::Ball);
    session.settings.interpolate = true;
    session.settings.threshold = 0.0f;
    RenderImage(session, 128, 128, session.buffers.ImageBuffer.data(), RenderType::Transparent);
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(session.buffers.ImageAt(255, k), 0u);
        EXPECT_EQ(session.buffers.ImageAt(k, 255), 0u);
    }
    EXPECT_GT(session.buffers.ImageAt(128, 128), 0u);
}

TEST_F(RayDriverTest, RaysPerSideIsCappedToTheBuffers) {
    Store(session).size = 300;
    session.settings.interpolate = true;
    EXPECT_EQ(RaysPerSide(session), 256);
    session.settings.interpolate = false;
    Store(session).size = 600;
    EXPECT_EQ(RaysPerSide(session), 512);
}

struct Scene {
    ModelType model;
    RenderType type;
    bool interp;
    float threshold;
};

// "cone_surface_interp_t50": what the scene is, threshold in percent ("m" for minus).
std::string SceneName(const Scene& s) {
    const long percent = std::lround(s.threshold * 100.0f);
    return std::string(NameOf(s.model)) + "_" + NameOf(s.type) + (s.interp ? "_interp" : "") +
           "_t" + (percent < 0 ? "m" : "") + std::to_string(std::labs(percent));
}

void PrintTo(const Scene& s, std::ostream* os) {
    *os << SceneName(s);
}

class RenderDeterminismTest : public RayDriverTest, public ::testing::WithParamInterface<Scene> {};

TEST_P(RenderDeterminismTest, ResultsDoNotDependOnThreadsOrRepetition) {
    const Scene s = GetParam();
    Build(s.model);
    session.settings.interpolate = s.interp;
    session.settings.threshold = s.threshold;
    RotateViewPlane(session.orientation, 0.4f, -0.7f);
    SetWorkerThreads(1);
    const test::RenderOutputs one = test::RenderOutputsOf(session, s.type);
    const test::RenderOutputs again = test::RenderOutputsOf(session, s.type);
    SetWorkerThreads(4);
    const test::RenderOutputs four = test::RenderOutputsOf(session, s.type);
    SetWorkerThreads(2);
    EXPECT_TRUE(one == again);
    EXPECT_TRUE(one == four);
    EXPECT_GT(one.max, 0);
}

TEST_P(RenderDeterminismTest, SkippingEmptySpaceChangesNothing) {
    const Scene s = GetParam();
    Build(s.model);
    session.settings.interpolate = s.interp;
    session.settings.threshold = s.threshold;
    RotateViewPlane(session.orientation, -0.9f, 0.3f);
    PanViewPlane(session.orientation, PanDirection::In);
    session.emptySpaceSkipping = false;
    const test::RenderOutputs full = test::RenderOutputsOf(session, s.type);
    session.emptySpaceSkipping = true;
    const test::RenderOutputs skipped = test::RenderOutputsOf(session, s.type);
    EXPECT_TRUE(full == skipped);
}

TEST_F(RayDriverTest, SkippingKeepsTheMirroredHalfExact) {
    // A mirrored volume with one bright voxel in the lower half: the upper
    // half shows it folded, so its bricks must not count as empty.
    ASSERT_EQ(AllocateVolume(Store(session), 40, 40, 40), 1);
    PublishShape(Store(session), 40, 40, 40, 40);
    Store(session).maxValue = 200;
    Store(session).mirrorZ = 1;
    Store(session).voxels[20][20][3] = 200;
    Store(session).voxels[21][20][4] = 150;
    SnapViewPlane(session.orientation, Face::Back);
    for (bool interp : {false, true}) {
        session.settings.interpolate = interp;
        for (RenderType type : {RenderType::Surface, RenderType::Transparent}) {
            for (float t : {0.0f, 0.3f}) {
                session.settings.threshold = t;
                session.emptySpaceSkipping = false;
                const test::RenderOutputs full = test::RenderOutputsOf(session, type);
                session.emptySpaceSkipping = true;
                EXPECT_TRUE(full == test::RenderOutputsOf(session, type)) << interp << type << t;
                if (type == RenderType::Surface) {
                    EXPECT_GT(full.max, 0);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, RenderDeterminismTest,
    ::testing::Values(Scene{ModelType::Ball, RenderType::Surface, false, 0.1f},
                      Scene{ModelType::Ball, RenderType::Transparent, true, 0.3f},
                      Scene{ModelType::Monkey, RenderType::Transparent, false, 0.0f},
                      Scene{ModelType::Combined, RenderType::Slice, true, 0.1f},
                      Scene{ModelType::Cone, RenderType::Surface, true, 0.5f},
                      Scene{ModelType::Head, RenderType::Surface, true, 0.2f},
                      Scene{ModelType::Head, RenderType::Transparent, false, 0.4f},
                      Scene{ModelType::Hyperboloid, RenderType::Transparent, true, 0.0f},
                      Scene{ModelType::Monkey, RenderType::Surface, false, -0.5f}),
    [](const auto& paramInfo) { return SceneName(paramInfo.param); });

// Two threads running parallel loops at once (a live frame and a window's
// own render): each loop visits each of its indices exactly once.
TEST(WorkerThreads, LoopsFromTwoThreadsAtOnceEachVisitEveryIndexOnce) {
    SetWorkerThreads(4);
    constexpr int kCount = 64;
    constexpr int kLoops = 2000;
    const auto loops = [](std::vector<int>& visits) {
        for (int loop = 0; loop < kLoops; ++loop) {
            std::vector<std::atomic<int>> seen(kCount);
            ParallelFor(kCount, [&](std::int32_t i) { seen[i].fetch_add(1); });
            for (const std::atomic<int>& n : seen) visits.push_back(n.load());
        }
    };
    std::vector<int> other;
    std::thread second([&] { loops(other); });
    std::vector<int> mine;
    loops(mine);
    second.join();
    SetWorkerThreads(2);
    EXPECT_EQ(mine, std::vector<int>(kCount * kLoops, 1));
    EXPECT_EQ(other, std::vector<int>(kCount * kLoops, 1));
}

}  // namespace
}  // namespace calyra
