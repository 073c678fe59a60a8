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
        BuildModel(session, GetParam().model);
        session.settings.interpolate = GetParam().interpolated;
        session.settings.gradientShading = GetParam().shading;
        session.settings.renderType = GetParam().type;
        RotateViewPlane(session.orientation, 0.4f, -0.3f);
    }
    struct Frame {
        std::vector<std::uint32_t> image =
            std::vector<std::uint32_t>(kBufferSide * kBufferSide * 3);
        std::vector<std::int32_t> depth = std::vector<std::int32_t>(kBufferSide * kBufferSide);
        RenderOutput out{image.data(), depth.data()};
    };
    bool Render(const RenderInputs& inputs, Frame& frame, RenderControl control = {}) {
        return RenderFrame(session.volume(), inputs, RaysPerSide(session), RaysPerSide(session),
                           frame.out, session.renderScratch, control);
    }
};

TEST_P(RenderFrameTest, ACopiedViewRendersAsTheSettingsDidWhenItWasTaken) {
    const RenderInputs taken = CurrentRenderInputs(session, session.settings.renderType);
    const test::RenderOutputs expected =
        test::RenderOutputsOf(session, session.settings.renderType);
    // Everything the copy holds changes before the render of it.
    RotateViewPlane(session.orientation, 1.0f, 0.5f);
    RotateWorld(session.orientation, 0.2f, 0.1f);
    session.settings.threshold = 0.5f;
    session.settings.gradientShading = !session.settings.gradientShading;
    Frame frame;
    ASSERT_TRUE(Render(taken, frame));
    EXPECT_EQ(frame.image, expected.image);
    EXPECT_EQ(frame.depth, expected.depth);
    EXPECT_EQ(frame.out.displayMax, expected.max);
}

TEST_P(RenderFrameTest, APreviewRayIsTheWholeRendersRayAndFillsItsBlock) {
    const RenderInputs inputs = CurrentRenderInputs(session, session.settings.renderType);
    Frame exact;
    ASSERT_TRUE(Render(inputs, exact));
    const int r = session.settings.interpolate ? 2 : 1;
    const int side = RaysPerSide(session) * r;
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
                    const bool shaded = session.settings.renderType == RenderType::Surface &&
                                        session.settings.gradientShading;
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
    EXPECT_FALSE(Render(CurrentRenderInputs(session, session.settings.renderType), frame,
                        RenderControl{1, &cancel}));
    cancel = false;
    EXPECT_TRUE(Render(CurrentRenderInputs(session, session.settings.renderType), frame,
                       RenderControl{1, &cancel}));
}

TEST_P(RenderFrameTest, TheSameOnAnyNumberOfThreads) {
    const RenderInputs inputs = CurrentRenderInputs(session, session.settings.renderType);
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
    RotateWorld(session.orientation, 0.3f, 0.2f);
    SnapViewPlane(session.orientation, GetParam().face);
    Point3 before[kViewPlanePoints];
    std::copy(session.orientation.ViewPlane, session.orientation.ViewPlane + kViewPlanePoints,
              before);
    TurnViewPlane(session.orientation, GetParam().across, GetParam().down);
    // The box centre is the origin: every point keeps its distance, the
    // plane's edges their lengths.
    for (int k = 0; k < kViewPlanePoints; ++k) {
        EXPECT_NEAR(VectorLength(session.orientation.ViewPlane[k]), VectorLength(before[k]), 1e-5)
            << k;
    }
    EXPECT_NEAR(VectorLength(session.orientation.ViewPlane[1] - session.orientation.ViewPlane[0]),
                VectorLength(before[1] - before[0]), 1e-5);
    const double turned = AngleBetween(before[4], session.orientation.ViewPlane[4]);
    EXPECT_NEAR(turned, std::hypot(GetParam().across, GetParam().down), 1e-4);
    // The point of the box that faced the plane's centre now lies right of
    // it (across > 0) and below it (down > 0) in the image.
    const Point3 near = before[4];
    const Point3 toNear = near - session.orientation.ViewPlane[4];
    const Point3 across = session.orientation.ViewPlane[1] - session.orientation.ViewPlane[0];
    const Point3 down = session.orientation.ViewPlane[3] - session.orientation.ViewPlane[0];
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
    Session session;
    session.orientation = Orientation();
    Point3 before[kViewPlanePoints];
    std::copy(session.orientation.ViewPlane, session.orientation.ViewPlane + kViewPlanePoints,
              before);
    TurnViewPlane(session.orientation, std::numbers::pi, 0.0);
    EXPECT_NEAR(session.orientation.ViewPlane[4].z, -before[4].z, 1e-6);  // now behind the box
    TurnViewPlane(session.orientation, std::numbers::pi, 0.0);
    for (int k = 0; k < kViewPlanePoints; ++k) {
        EXPECT_NEAR(session.orientation.ViewPlane[k].x, before[k].x, 1e-6);
        EXPECT_NEAR(session.orientation.ViewPlane[k].z, before[k].z, 1e-6);
    }
    session.orientation = Orientation();
}

}  // namespace
}  // namespace calyra
