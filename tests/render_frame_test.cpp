// Renders of a copied view: the same image as the program's settings give,
// previews that cast a subset of the same rays, and renders that stop.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

#include "geometry/orientation.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

struct FrameCase {
    const char* label;
    ModelType model;
    RenderType type;
    bool interpolated;
    bool shading;
};

class RenderFrameTest : public test::CoreTest, public ::testing::WithParamInterface<FrameCase> {
  protected:
    void SetUp() override {
        test::CoreTest::SetUp();
        BuildModel(GetParam().model);
        interpolate = GetParam().interpolated;
        gradientShading = GetParam().shading;
        renderType = GetParam().type;
        RotateViewPlane(0.4f, -0.3f);
    }
    struct Frame {
        std::vector<std::uint32_t> image =
            std::vector<std::uint32_t>(kBufferSide * kBufferSide * 3);
        std::vector<std::int32_t> depth = std::vector<std::int32_t>(kBufferSide * kBufferSide);
        RenderOutput out{image.data(), depth.data()};
    };
    static bool Render(const RenderInputs& inputs, Frame& frame, RenderControl control = {}) {
        return RenderFrame(inputs, RaysPerSide(), RaysPerSide(), frame.out, renderScratch, control);
    }
};

TEST_P(RenderFrameTest, ACopiedViewRendersAsTheSettingsDidWhenItWasTaken) {
    const RenderInputs taken = CurrentRenderInputs(renderType);
    const test::RenderOutputs expected = test::RenderOutputsOf(renderType);
    // Everything the copy holds changes before the render of it.
    RotateViewPlane(1.0f, 0.5f);
    RotateWorld(0.2f, 0.1f);
    threshold = 0.5f;
    gradientShading = !gradientShading;
    Frame frame;
    ASSERT_TRUE(Render(taken, frame));
    EXPECT_EQ(frame.image, expected.image);
    EXPECT_EQ(frame.depth, expected.depth);
    EXPECT_EQ(frame.out.displayMax, expected.max);
}

TEST_P(RenderFrameTest, APreviewRayIsTheWholeRendersRayAndFillsItsBlock) {
    const RenderInputs inputs = CurrentRenderInputs(renderType);
    Frame exact;
    ASSERT_TRUE(Render(inputs, exact));
    const int r = interpolate ? 2 : 1;
    const int side = RaysPerSide() * r;
    for (const int stride : {2, 4, 8}) {
        Frame preview;
        ASSERT_TRUE(Render(inputs, preview, RenderControl{stride, nullptr}));
        const int block = stride * r;
        for (int x = 0; x < side; ++x) {
            for (int y = 0; y < side; ++y) {
                const std::size_t at = static_cast<std::size_t>(x) * kBufferSide + y;
                const std::size_t corner =
                    static_cast<std::size_t>(x - x % block) * kBufferSide + (y - y % block);
                // Every pixel of a block is its corner ray's.
                ASSERT_EQ(preview.depth[at], preview.depth[corner]) << x << "," << y;
                // The corner rays are those of the whole render (the depth
                // shading of a Surface image reads neighbours, so only depths).
                if (at == corner) {
                    ASSERT_EQ(preview.depth[at], exact.depth[at]) << x << "," << y;
                    const bool shaded = renderType == RenderType::Surface && gradientShading;
                    if (!shaded) {
                        ASSERT_EQ(preview.image[3 * at], exact.image[3 * at]);
                    }
                }
            }
        }
        // Nothing is drawn outside the image area.
        for (int x = side; x < kBufferSide; ++x) {
            ASSERT_EQ(preview.image[3 * static_cast<std::size_t>(x) * kBufferSide], 0u);
        }
        EXPECT_GT(preview.out.displayMax, 0);
    }
}

TEST_P(RenderFrameTest, ARenderSeenCancelledStopsAndSaysSo) {
    std::atomic<bool> cancel{true};
    Frame frame;
    EXPECT_FALSE(Render(CurrentRenderInputs(renderType), frame, RenderControl{1, &cancel}));
    cancel = false;
    EXPECT_TRUE(Render(CurrentRenderInputs(renderType), frame, RenderControl{1, &cancel}));
}

TEST_P(RenderFrameTest, TheSameOnAnyNumberOfThreads) {
    const RenderInputs inputs = CurrentRenderInputs(renderType);
    Frame one, many;
    const int threads = WorkerThreads();
    SetWorkerThreads(1);
    ASSERT_TRUE(Render(inputs, one, RenderControl{4, nullptr}));
    SetWorkerThreads(3);
    ASSERT_TRUE(Render(inputs, many, RenderControl{4, nullptr}));
    SetWorkerThreads(threads);
    EXPECT_EQ(one.image, many.image);
    EXPECT_EQ(one.out.displayMax, many.out.displayMax);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RenderFrameTest,
                         ::testing::Values(FrameCase{"BallSurfaceShaded", ModelType::Ball,
                                                     RenderType::Surface, false, true},
                                           FrameCase{"BallSurfacePlain", ModelType::Ball,
                                                     RenderType::Surface, false, false},
                                           FrameCase{"ConeTransparentInterpolated", ModelType::Cone,
                                                     RenderType::Transparent, true, false},
                                           FrameCase{"HyperboloidSlice", ModelType::Hyperboloid,
                                                     RenderType::Slice, false, false}),
                         test::kByLabel);

// The plane's centre and target as seen from the box centre, in double.
double AngleBetween(const Point3& a, const Point3& b) {
    const Point3 n = CrossProduct(a, b);
    return std::atan2(VectorLength(n), double{a.x} * b.x + double{a.y} * b.y + double{a.z} * b.z);
}

struct TurnCase {
    const char* label;
    Face face;  // where the plane starts
    double across, down;
};

class TurnViewPlaneTest : public test::CoreTest, public ::testing::WithParamInterface<TurnCase> {};

TEST_P(TurnViewPlaneTest, TurnsRigidlyAboutTheBoxCentreAndTheNearSideFollows) {
    RotateWorld(0.3f, 0.2f);
    SnapViewPlane(GetParam().face);
    Point3 before[kViewPlanePoints];
    std::copy(ViewPlane, ViewPlane + kViewPlanePoints, before);
    TurnViewPlane(GetParam().across, GetParam().down);
    // The box centre is the origin: every point keeps its distance, the
    // plane's edges their lengths.
    for (int k = 0; k < kViewPlanePoints; ++k) {
        EXPECT_NEAR(VectorLength(ViewPlane[k]), VectorLength(before[k]), 1e-5) << k;
    }
    EXPECT_NEAR(VectorLength(ViewPlane[1] - ViewPlane[0]), VectorLength(before[1] - before[0]),
                1e-5);
    const double turned = AngleBetween(before[4], ViewPlane[4]);
    EXPECT_NEAR(turned, std::hypot(GetParam().across, GetParam().down), 1e-4);
    // The point of the box that faced the plane's centre now lies right of
    // it (across > 0) and below it (down > 0) in the image.
    const Point3 near = before[4];
    const Point3 toNear = near - ViewPlane[4];
    const Point3 across = ViewPlane[1] - ViewPlane[0];
    const Point3 down = ViewPlane[3] - ViewPlane[0];
    const double right =
        double{across.x} * toNear.x + double{across.y} * toNear.y + double{across.z} * toNear.z;
    const double below =
        double{down.x} * toNear.x + double{down.y} * toNear.y + double{down.z} * toNear.z;
    if (GetParam().across != 0.0) {
        EXPECT_EQ(right > 0.0, GetParam().across > 0.0) << right;
    }
    if (GetParam().down != 0.0) {
        EXPECT_EQ(below > 0.0, GetParam().down > 0.0) << below;
    }
}

INSTANTIATE_TEST_SUITE_P(Turns, TurnViewPlaneTest,
                         ::testing::Values(TurnCase{"FrontRight", Face::Front, 0.3, 0.0},
                                           TurnCase{"FrontUp", Face::Front, 0.0, -0.2},
                                           TurnCase{"BackLeft", Face::Back, -0.25, 0.0},
                                           TurnCase{"TopDown", Face::Top, 0.0, 0.4},
                                           TurnCase{"LeftRight", Face::Left, 0.35, 0.0}),
                         test::kByLabel);

TEST(TurnViewPlane, AWholeTurnInTwoHalvesComesBack) {
    ResetOrientation();
    Point3 before[kViewPlanePoints];
    std::copy(ViewPlane, ViewPlane + kViewPlanePoints, before);
    TurnViewPlane(std::numbers::pi, 0.0);
    EXPECT_NEAR(ViewPlane[4].z, -before[4].z, 1e-6);  // now behind the box
    TurnViewPlane(std::numbers::pi, 0.0);
    for (int k = 0; k < kViewPlanePoints; ++k) {
        EXPECT_NEAR(ViewPlane[k].x, before[k].x, 1e-6);
        EXPECT_NEAR(ViewPlane[k].z, before[k].z, 1e-6);
    }
    ResetOrientation();
}

}  // namespace
}  // namespace calyra
