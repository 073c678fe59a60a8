#include "geometry/orientation.h"

#include "base/repaint.h"
#include "test_support.h"

namespace calyra {
namespace {

using OrientationTest = test::CoreTest;

void ExpectNear(const Point3& actual, const Point3& expected, double tolerance = 1e-6) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << actual;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << actual;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << actual;
}

TEST_F(OrientationTest, SnappingThePlaneToTheFrontReproducesTheStart) {
    Point3 before[kViewPlanePoints];
    std::copy(ViewPlane, ViewPlane + kViewPlanePoints, before);
    SnapViewPlane(Face::Front);
    for (int i = 0; i < kViewPlanePoints; ++i) EXPECT_EQ(ViewPlane[i], before[i]);
    EXPECT_TRUE(renderPending);
}

TEST_F(OrientationTest, SnappingThePlaneToTheBackLooksAlongMinusZ) {
    SnapViewPlane(Face::Back);
    EXPECT_EQ(ViewPlane[0], (Point3{0.5f, -0.5f, 0.5f}));
    EXPECT_EQ(ViewPlane[1], (Point3{-0.5f, -0.5f, 0.5f}));
    EXPECT_EQ(ViewPlane[2], (Point3{-0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(ViewPlane[3], (Point3{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(ViewPlane[4], (Point3{0, 0, 0.5f}));
    EXPECT_EQ(ViewPlane[5], (Point3{0, 0, 0}));
}

TEST_F(OrientationTest, SnappingTheWorldToTheTopTurnsBoxAndPlaneTogether) {
    SnapWorld(Face::Top);
    ExpectNear(World[0], {-0.5f, 0.5f, -0.5f});
    ExpectNear(World[10], {0, 0, -0.5f});
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(ViewPlane[i].y, 0.5f, 1e-6);
    EXPECT_FALSE(renderPending);
}

TEST_F(OrientationTest, TopAndBottomNeverShowTheSameFace) {
    SnapWorld(Face::Bottom);
    ExpectNear(World[11], {0, 0, -0.5f});
    SnapWorld(Face::Top);
    ExpectNear(World[10], {0, 0, -0.5f});
    for (int face = 0; face < kFaceCount; ++face) {
        SnapWorld(static_cast<Face>(face));
        // The snapped face's centre is the one nearest the viewer.
        int nearest = 8;
        for (int k = 8; k < 14; ++k)
            if (World[k].z < World[nearest].z) nearest = k;
        const int expected[6] = {12, 13, 10, 11, 8, 9};
        EXPECT_EQ(nearest, expected[face]) << "face " << face;
    }
}

TEST_F(OrientationTest, SnappingTheWorldToTheFrontRestoresTheBoxAfterDrags) {
    Point3 start[kWorldPoints];
    std::copy(World, World + kWorldPoints, start);
    RotateWorld(0.7f, -0.3f);
    RotateWorld(-1.9f, 2.2f);
    SnapWorld(Face::Front);
    for (int i = 0; i < kWorldPoints; ++i) ExpectNear(World[i], start[i], 2e-6);
}

TEST_F(OrientationTest, PanningInThenOutReturnsThePlane) {
    Point3 start[kViewPlanePoints];
    std::copy(ViewPlane, ViewPlane + kViewPlanePoints, start);
    PanViewPlane(PanDirection::In);
    EXPECT_NEAR(ViewPlane[5].z, 0.05f, 1e-7);
    EXPECT_NEAR(ViewPlane[4].z, -0.45f, 1e-7);
    PanViewPlane(PanDirection::Out);
    for (int i = 0; i < kViewPlanePoints; ++i) ExpectNear(ViewPlane[i], start[i], 1e-7);
}

TEST_F(OrientationTest, TenPansBringThePlaneToTheBoxCentre) {
    for (int i = 0; i < 10; ++i) PanViewPlane(PanDirection::In);
    ExpectNear(ViewPlane[4], {0, 0, 0}, 1e-6);
}

TEST_F(OrientationTest, AnglesUpToTheThresholdLeaveThePointsUntouched) {
    Point3 start[kWorldPoints];
    std::copy(World, World + kWorldPoints, start);
    RotateWorld(0.00001f, -0.00001f);
    for (int i = 0; i < kWorldPoints; ++i) EXPECT_EQ(World[i], start[i]);
    RotateWorld(0.0000101f, 0.0f);
    EXPECT_NE(World[0].x, start[0].x);
}

TEST_F(OrientationTest, AHorizontalDragTurnsAboutYOnly) {
    ApplyDrag(kLeftButton, {100, 50}, {140, 50}, 400, 300);
    // angleY = 3 * (100 - 140) / 400 = -0.3; a turn about y keeps every y.
    EXPECT_EQ(World[0].y, -0.5f);
    EXPECT_EQ(World[6].y, 0.5f);
    EXPECT_NE(World[0].x, -0.5f);
    EXPECT_EQ(ViewPlane[0].y, -0.5f);
}

TEST_F(OrientationTest, BothButtonsDragLikeTheLeftButton) {
    ApplyDrag(kLeftButton | kRightButton, {0, 0}, {10, 30}, 200, 200);
    Point3 both = World[0];
    ResetOrientation();
    ApplyDrag(kLeftButton, {0, 0}, {10, 30}, 200, 200);
    EXPECT_EQ(World[0], both);
    ResetOrientation();
    ApplyDrag(kRightButton, {0, 0}, {10, 30}, 200, 200);
    EXPECT_EQ(World[0], (Point3{-0.5f, -0.5f, -0.5f}));
    EXPECT_NE(ViewPlane[0], (Point3{-0.5f, -0.5f, -0.5f}));
}

TEST_F(OrientationTest, FacesOutsideTheRangeChangeNothing) {
    SnapWorld(static_cast<Face>(6));
    SnapViewPlane(static_cast<Face>(-1));
    EXPECT_EQ(World[0], (Point3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(ViewPlane[4], (Point3{0, 0, -0.5f}));
    EXPECT_FALSE(renderPending);
}

TEST_F(OrientationTest, EyeDistanceKeysClampOnlyWhenAsked) {
    for (int i = 0; i < 10; ++i) ScaleEyeDistance(EyeStep::Farther, EyeLimit::Clamped);
    EXPECT_EQ(eyeDistance, 5.5f);
    for (int i = 0; i < 20; ++i) ScaleEyeDistance(EyeStep::Nearer, EyeLimit::Clamped);
    EXPECT_EQ(eyeDistance, 2.5f);
    ScaleEyeDistance(EyeStep::Nearer, EyeLimit::Unlimited);
    EXPECT_EQ(eyeDistance, 2.5f * 0.9f);
}

int gGeometryRepaints = 0;
TEST_F(OrientationTest, SnapsRepaintThroughTheHooksWhenWindowsExist) {
    repaintHooks.invalidateGeometryWindow = [](Background) { ++gGeometryRepaints; };
    SnapWorld(Face::Left);
    SnapViewPlane(Face::Right);
    repaintHooks.invalidateGeometryWindow = nullptr;
    EXPECT_EQ(gGeometryRepaints, 2);
}

}  // namespace
}  // namespace calyra
