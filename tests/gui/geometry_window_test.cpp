// The geometry window: projection, wire-frame, keys and mouse drags.
#include "ui/geometry_window.h"

#include <QMouseEvent>
#include <algorithm>
#include <array>

#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"

namespace calyra::ui::testing {
namespace {

struct FaceCase {
    int width;
    int height;
    QPoint frontFirst, frontLast;  // corners 0 and 2 of the front face
    QPoint backFirst, backLast;    // corners 4 and 6 of the back face
};

class Projection : public ::testing::TestWithParam<FaceCase> {
  protected:
    void SetUp() override { ResetSharedState(); }
};

QPoint At(const DisplayPoint& p) {
    return {p.x, p.y};
}

TEST_P(Projection, PlacesTheStartUpBoxAndPlaneAsCentredSquares) {
    const FaceCase& c = GetParam();
    std::array<DisplayPoint, kWorldPoints> box;
    ProjectForDisplay(ProgramSession().orientation.World, kWorldPoints, c.width, c.height,
                      ProgramSession().orientation.eyeDistance, box.data());
    EXPECT_EQ(At(box[0]), c.frontFirst);
    EXPECT_EQ(At(box[2]), c.frontLast);
    EXPECT_EQ(At(box[1]), QPoint(c.frontLast.x(), c.frontFirst.y()));
    EXPECT_EQ(At(box[4]), c.backFirst);
    EXPECT_EQ(At(box[6]), c.backLast);
    for (const DisplayPoint& p : box) EXPECT_TRUE(p.visible);

    // The plane lies on the front face; centre and target both hit the middle.
    std::array<DisplayPoint, kViewPlanePoints> plane;
    ProjectForDisplay(ProgramSession().orientation.ViewPlane, kViewPlanePoints, c.width, c.height,
                      ProgramSession().orientation.eyeDistance, plane.data());
    EXPECT_EQ(At(plane[0]), c.frontFirst);
    EXPECT_EQ(At(plane[2]), c.frontLast);
    EXPECT_EQ(At(plane[4]), At(plane[5]));
    EXPECT_EQ(At(plane[5]), QPoint(c.width / 2, c.height / 2));
    // Drawing never moves the shared points.
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0], (Point3{-0.5f, -0.5f, -0.5f}));
}

INSTANTIATE_TEST_SUITE_P(
    GeometryWindow, Projection,
    ::testing::Values(FaceCase{400, 400, {75, 75}, {324, 324}, {97, 97}, {302, 302}},
                      FaceCase{600, 400, {175, 75}, {424, 324}, {197, 97}, {402, 302}}));

TEST(GeometryWindowProjection, LeavesOutPointsAtOrBehindTheEye) {
    const Point3 points[3] = {
        {0.0f, 0.0f, 0.0f}, {0.1f, 0.1f, -4.0f / 0.75f}, {0.0f, 0.0f, -10.0f}};
    DisplayPoint shown[3];
    ProjectForDisplay(points, 3, 400, 400, 4.0f, shown);
    EXPECT_TRUE(shown[0].visible);
    EXPECT_FALSE(shown[1].visible);  // scaled z exactly -eyeDistance
    EXPECT_FALSE(shown[2].visible);
}

class GeometryWindowTest : public MessageRecording {
  protected:
    void SetUp() override {
        MessageRecording::SetUp();
        window = new GeometryWindow;
        window->resize(400, 400);
        window->show();
    }
    void TearDown() override {
        delete window;
        MessageRecording::TearDown();
    }

    void send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), window->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    }

    GeometryWindow* window = nullptr;
};

TEST_F(GeometryWindowTest, DrawsTheGreenBoxUnderTheRedPlaneOnBlack) {
    EXPECT_EQ(geometryWindow, window);
    const QImage shown = Paint(window);
    EXPECT_EQ(shown.pixel(200, 75), qRgb(255, 0, 0));  // front edge: the plane over the box
    EXPECT_EQ(shown.pixel(200, 97), qRgb(0, 190, 0));  // back face edge
    EXPECT_EQ(shown.pixel(86, 86), qRgb(0, 190, 0));   // a joining edge
    EXPECT_EQ(shown.pixel(200, 200), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(10, 10), qRgb(0, 0, 0));
}

TEST_F(GeometryWindowTest, HorizontalLeftDragTurnsBoxAndPlaneAboutYOnly) {
    Point3 before[kWorldPoints];
    std::copy(ProgramSession().orientation.World, ProgramSession().orientation.World + kWorldPoints,
              before);
    send(QEvent::MouseButtonPress, {100, 200}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {160, 200}, Qt::NoButton, Qt::LeftButton);
    // angleY = 3 x (100 - 160) / 400 = -0.45 rad, angleX = 0: every y stays.
    for (int i = 0; i < kWorldPoints; ++i)
        EXPECT_EQ(ProgramSession().orientation.World[i].y, before[i].y) << i;
    EXPECT_NE(ProgramSession().orientation.World[0].x, before[0].x);
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0],
              ProgramSession().orientation.World[0]);  // the plane turned with the box
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(GeometryWindowTest, RightDragTurnsThePlaneAloneAndReleaseRequestsARender) {
    send(QEvent::MouseButtonPress, {200, 100}, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, {200, 140}, Qt::NoButton, Qt::RightButton);
    EXPECT_EQ(ProgramSession().orientation.World[0], (Point3{-0.5f, -0.5f, -0.5f}));
    EXPECT_NE(ProgramSession().orientation.ViewPlane[0], ProgramSession().orientation.World[0]);
    EXPECT_FLOAT_EQ(ProgramSession().orientation.ViewPlane[0].x,
                    -0.5f);  // a vertical drag turns about x only
    EXPECT_FALSE(ProgramSession().renderPending);
    send(QEvent::MouseButtonRelease, {200, 140}, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(GeometryWindowTest, MovesOutsideTheClientAreaAreNotSeen) {
    send(QEvent::MouseButtonPress, {200, 100}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {-30, 100}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(ProgramSession().orientation.World[0], (Point3{-0.5f, -0.5f, -0.5f}));
}

}  // namespace
}  // namespace calyra::ui::testing
