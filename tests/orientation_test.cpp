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
    std::copy(session.orientation.ViewPlane, session.orientation.ViewPlane + kViewPlanePoints,
              before);
    SnapViewPlane(session, Face::Front);
    for (int i = 0; i < kViewPlanePoints; ++i)
        EXPECT_EQ(session.orientation.ViewPlane[i], before[i]);
    EXPECT_TRUE(session.renderPending);
}

TEST_F(OrientationTest, SnappingThePlaneToTheBackLooksAlongMinusZ) {
    SnapViewPlane(session.orientation, Face::Back);
    EXPECT_EQ(session.orientation.ViewPlane[0], (Point3{0.5f, -0.5f, 0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[1], (Point3{-0.5f, -0.5f, 0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[2], (Point3{-0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[3], (Point3{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[4], (Point3{0, 0, 0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[5], (Point3{0, 0, 0}));
}

TEST_F(OrientationTest, SnappingTheWorldToTheTopTurnsBoxAndPlaneTogether) {
    SnapWorld(session.orientation, Face::Top);
    ExpectNear(session.orientation.World[0], {-0.5f, 0.5f, -0.5f});
    ExpectNear(session.orientation.World[10], {0, 0, -0.5f});
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(session.orientation.ViewPlane[i].y, 0.5f, 1e-6);
    EXPECT_FALSE(session.renderPending);
}

TEST_F(OrientationTest, TopAndBottomNeverShowTheSameFace) {
    SnapWorld(session.orientation, Face::Bottom);
    ExpectNear(session.orientation.World[11], {0, 0, -0.5f});
    SnapWorld(session.orientation, Face::Top);
    ExpectNear(session.orientation.World[10], {0, 0, -0.5f});
    for (int face = 0; face < kFaceCount; ++face) {
        SnapWorld(session.orientation, static_cast<Face>(face));
        // The snapped face's centre is the one nearest the viewer.
        int nearest = 8;
        for (int k = 8; k < 14; ++k)
            if (session.orientation.World[k].z < session.orientation.World[nearest].z) nearest = k;
        const int expected[6] = {12, 13, 10, 11, 8, 9};
        EXPECT_EQ(nearest, expected[face]) << "face " << face;
    }
}

TEST_F(OrientationTest, SnappingTheWorldToTheFrontRestoresTheBoxAfterDrags) {
    Point3 start[kWorldPoints];
    std::copy(session.orientation.World, session.orientation.World + kWorldPoints, start);
    RotateWorld(session.orientation, 0.7f, -0.3f);
    RotateWorld(session.orientation, -1.9f, 2.2f);
    SnapWorld(session.orientation, Face::Front);
    for (int i = 0; i < kWorldPoints; ++i) ExpectNear(session.orientation.World[i], start[i], 2e-6);
}

TEST_F(OrientationTest, PanningInThenOutReturnsThePlane) {
    Point3 start[kViewPlanePoints];
    std::copy(session.orientation.ViewPlane, session.orientation.ViewPlane + kViewPlanePoints,
              start);
    PanViewPlane(session.orientation, PanDirection::In);
    EXPECT_NEAR(session.orientation.ViewPlane[5].z, 0.05f, 1e-7);
    EXPECT_NEAR(session.orientation.ViewPlane[4].z, -0.45f, 1e-7);
    PanViewPlane(session.orientation, PanDirection::Out);
    for (int i = 0; i < kViewPlanePoints; ++i)
        ExpectNear(session.orientation.ViewPlane[i], start[i], 1e-7);
}

TEST_F(OrientationTest, TenPansBringThePlaneToTheBoxCentre) {
    for (int i = 0; i < 10; ++i) PanViewPlane(session.orientation, PanDirection::In);
    ExpectNear(session.orientation.ViewPlane[4], {0, 0, 0}, 1e-6);
}

TEST_F(OrientationTest, AnglesUpToTheThresholdLeaveThePointsUntouched) {
    Point3 start[kWorldPoints];
    std::copy(session.orientation.World, session.orientation.World + kWorldPoints, start);
    RotateWorld(session.orientation, 0.00001f, -0.00001f);
    for (int i = 0; i < kWorldPoints; ++i) EXPECT_EQ(session.orientation.World[i], start[i]);
    RotateWorld(session.orientation, 0.0000101f, 0.0f);
    EXPECT_NE(session.orientation.World[0].x, start[0].x);
}

TEST_F(OrientationTest, AHorizontalDragTurnsAboutYOnly) {
    ApplyDrag(session.orientation, kLeftButton, {100, 50}, {140, 50}, 400, 300);
    // angleY = 3 * (100 - 140) / 400 = -0.3; a turn about y keeps every y.
    EXPECT_EQ(session.orientation.World[0].y, -0.5f);
    EXPECT_EQ(session.orientation.World[6].y, 0.5f);
    EXPECT_NE(session.orientation.World[0].x, -0.5f);
    EXPECT_EQ(session.orientation.ViewPlane[0].y, -0.5f);
}

TEST_F(OrientationTest, BothButtonsDragLikeTheLeftButton) {
    ApplyDrag(session.orientation, kLeftButton | kRightButton, {0, 0}, {10, 30}, 200, 200);
    Point3 both = session.orientation.World[0];
    session.orientation = Orientation();
    ApplyDrag(session.orientation, kLeftButton, {0, 0}, {10, 30}, 200, 200);
    EXPECT_EQ(session.orientation.World[0], both);
    session.orientation = Orientation();
    ApplyDrag(session.orientation, kRightButton, {0, 0}, {10, 30}, 200, 200);
    EXPECT_EQ(session.orientation.World[0], (Point3{-0.5f, -0.5f, -0.5f}));
    EXPECT_NE(session.orientation.ViewPlane[0], (Point3{-0.5f, -0.5f, -0.5f}));
}

TEST_F(OrientationTest, FacesOutsideTheRangeChangeNothing) {
    SnapWorld(session.orientation, static_cast<Face>(6));
    SnapViewPlane(session.orientation, static_cast<Face>(-1));
    EXPECT_EQ(session.orientation.World[0], (Point3{-0.5f, -0.5f, -0.5f}));
    EXPECT_EQ(session.orientation.ViewPlane[4], (Point3{0, 0, -0.5f}));
    EXPECT_FALSE(session.renderPending);
}

TEST_F(OrientationTest, EyeDistanceKeysClampOnlyWhenAsked) {
    for (int i = 0; i < 10; ++i)
        ScaleEyeDistance(session.orientation, EyeStep::Farther, EyeLimit::Clamped);
    EXPECT_EQ(session.orientation.eyeDistance, 5.5f);
    for (int i = 0; i < 20; ++i)
        ScaleEyeDistance(session.orientation, EyeStep::Nearer, EyeLimit::Clamped);
    EXPECT_EQ(session.orientation.eyeDistance, 2.5f);
    ScaleEyeDistance(session.orientation, EyeStep::Nearer, EyeLimit::Unlimited);
    EXPECT_EQ(session.orientation.eyeDistance, 2.5f * 0.9f);
}

TEST_F(OrientationTest, SnapsRepaintThroughTheSessionsHooks) {
    int repaints = 0, renders = 0;
    session.repaint.invalidateGeometryWindow = [&repaints](Background) { ++repaints; };
    session.repaint.invalidateRenderWindow = [&renders](Background) { ++renders; };
    SnapWorld(session, Face::Left);
    EXPECT_FALSE(session.renderPending);
    SnapViewPlane(session, Face::Right);
    // No such face: nothing moves, nothing is asked for.
    SnapViewPlane(session, static_cast<Face>(9));
    SnapWorld(session, static_cast<Face>(-1));
    EXPECT_EQ(repaints, 2);
    EXPECT_EQ(renders, 1);
    EXPECT_TRUE(session.renderPending);
}

}  // namespace
}  // namespace calyra
