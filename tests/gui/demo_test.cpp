// The demonstration step: seven turns, a new rendering type through the View
// panel, one render on Transparent ticks and three on Surface ticks.
#include "ui/demo.h"

#include <QTest>
#include <cmath>
#include <vector>

#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"

namespace calyra::ui::testing {
namespace {

// What each render saw as it started, and how often the wire-frame was drawn.
class RenderLog : public QObject {
  public:
    RenderLog() {
        renderWindow->installEventFilter(this);
        geometryWindow->installEventFilter(this);
    }
    ~RenderLog() override {
        if (renderWindow) renderWindow->removeEventFilter(this);
        if (geometryWindow) geometryWindow->removeEventFilter(this);
    }

    struct Render {
        RenderType type;
        Point3 planeCentre;
        Point3 target;
    };
    std::vector<Render> renders;
    int wireFrames = 0;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == renderWindow && event->type() == QEvent::WindowTitleChange &&
            renderWindow->windowTitle() == "Please wait for rendering !") {
            renders.push_back({ProgramSession().settings.renderType,
                               ProgramSession().orientation.ViewPlane[4],
                               ProgramSession().orientation.ViewPlane[5]});
        }
        if (watched == geometryWindow && event->type() == QEvent::Paint) ++wireFrames;
        return false;
    }
};

// Angle of p about the y axis, seen from above.
float AngleAboutY(const Point3& p) {
    return std::atan2(p.x, p.z);
}

class DemoTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        DispatchCommand(frame, kCmdBallModel);  // the ball: a small volume renders quickly
        ASSERT_NE(renderWindow, nullptr);
        ASSERT_NE(geometryWindow, nullptr);
        // Synchronous paints reach only a window that is on screen.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        QCoreApplication::processEvents();  // the new window's first render
        Paint(renderWindow);
        QCoreApplication::processEvents();
        ASSERT_FALSE(ProgramSession().renderPending);
    }
};

TEST_F(DemoTest, AlternatesTransparentTicksOfOneRenderWithSurfaceTicksOfThree) {
    RenderLog log;
    DemoStep();
    ASSERT_EQ(log.renders.size(), 1u);
    EXPECT_EQ(log.renders[0].type, RenderType::Transparent);
    EXPECT_EQ(log.wireFrames, 7);

    DemoStep();
    ASSERT_EQ(log.renders.size(), 4u);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(log.renders[i].type, RenderType::Surface);
    EXPECT_EQ(log.wireFrames, 7 + 7 + 2);
    EXPECT_FALSE(ProgramSession().renderPending);

    DemoStep();
    EXPECT_EQ(log.renders.size(), 5u);
    EXPECT_EQ(log.renders.back().type, RenderType::Transparent);
}

TEST_F(DemoTest, TheViewPanelFollowsTheTypeButTheMenuDoesNot) {
    DemoStep();
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Transparent);
    EXPECT_TRUE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Transparent)));
    EXPECT_FALSE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)));
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Transparent)));
}

TEST_F(DemoTest, StartingFromSliceTheFirstTickSwitchesToSurface) {
    DispatchCommand(frame, RenderTypeCommand(RenderType::Slice));
    DemoStep();
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
    EXPECT_TRUE(IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface)));
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Slice)));
}

TEST_F(DemoTest, ASurfaceTickCutsHalfwayToTheTargetAndPutsThePlaneBack) {
    CheckRadioButton(
        viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast,
        RenderTypeCommand(RenderType::Transparent));  // the next tick is a Surface tick
    Point3 world[kWorldPoints];
    Point3 plane[kViewPlanePoints];
    std::copy(std::begin(ProgramSession().orientation.World),
              std::end(ProgramSession().orientation.World), world);
    std::copy(std::begin(ProgramSession().orientation.ViewPlane),
              std::end(ProgramSession().orientation.ViewPlane), plane);

    RenderLog log;
    DemoStep();
    ASSERT_EQ(log.renders.size(), 3u);
    const RenderLog::Render& whole = log.renders[0];
    const RenderLog::Render& cut = log.renders[1];
    EXPECT_NEAR(cut.planeCentre.x, 0.5f * (whole.planeCentre.x + whole.target.x), 1e-6f);
    EXPECT_NEAR(cut.planeCentre.z, 0.5f * (whole.planeCentre.z + whole.target.z), 1e-6f);
    EXPECT_NEAR(log.renders[2].planeCentre.z, whole.planeCentre.z, 1e-6f);
    Point3 afterSurfaceTick[kViewPlanePoints];
    std::copy(std::begin(ProgramSession().orientation.ViewPlane),
              std::end(ProgramSession().orientation.ViewPlane), afterSurfaceTick);

    // The same turns without the cut (a Transparent tick) end at the same plane.
    std::copy(std::begin(world), std::end(world), ProgramSession().orientation.World);
    std::copy(std::begin(plane), std::end(plane), ProgramSession().orientation.ViewPlane);
    CheckRadioButton(viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast,
                     RenderTypeCommand(RenderType::Surface));
    DemoStep();
    for (int i = 0; i < kViewPlanePoints; ++i) {
        EXPECT_NEAR(ProgramSession().orientation.ViewPlane[i].x, afterSurfaceTick[i].x, 1e-6f)
            << "point " << i;
        EXPECT_NEAR(ProgramSession().orientation.ViewPlane[i].y, afterSurfaceTick[i].y, 1e-6f)
            << "point " << i;
        EXPECT_NEAR(ProgramSession().orientation.ViewPlane[i].z, afterSurfaceTick[i].z, 1e-6f)
            << "point " << i;
    }
}

TEST_F(DemoTest, EachTickTurnsTheBoxSevenHundredthsAndThePlaneNearlyTwoThirdsOfARadian) {
    const float boxBefore =
        AngleAboutY(ProgramSession().orientation.World[12]);  // Front face centre
    const float planeBefore = AngleAboutY(ProgramSession().orientation.ViewPlane[4]);
    DemoStep();
    // Both turn the same way about y.
    EXPECT_NEAR(
        std::remainder(AngleAboutY(ProgramSession().orientation.World[12]) - boxBefore, 6.2831853f),
        0.07f, 1e-4f);
    EXPECT_NEAR(std::remainder(AngleAboutY(ProgramSession().orientation.ViewPlane[4]) - planeBefore,
                               6.2831853f),
                0.63f, 1e-4f);
}

TEST_F(DemoTest, LowerDStartsTheTicksAndUpperDStopsThemWithOneMoreRender) {
    RenderLog log;
    frame->onTimer(kDemoTimerId);
    EXPECT_TRUE(log.renders.empty());  // stopped: ticks do nothing

    QTest::keyClick(geometryWindow, 'd');
    EXPECT_EQ(demoRunning, 1);
    EXPECT_TRUE(log.renders.empty());  // nothing until the next tick
    frame->onTimer(kDemoTimerId);
    EXPECT_EQ(log.renders.size(), 1u);

    QTest::keyClick(geometryWindow, 'D');
    EXPECT_EQ(demoRunning, 0);
    Paint(renderWindow);
    EXPECT_EQ(log.renders.size(), 2u);
    frame->onTimer(kDemoTimerId);
    Paint(renderWindow);
    EXPECT_EQ(log.renders.size(), 2u);
}

TEST(DemoWithoutWindows, StillAlternatesTheType) {
    ASSERT_EQ(renderWindow, nullptr);
    ASSERT_EQ(viewPanel, nullptr);
    ResetSharedState();
    // Without a View panel no "Surf" button is checked, so every tick picks Surface.
    DemoStep();
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Surface);
    EXPECT_TRUE(ProgramSession().renderPending);
    ProgramSession().orientation = Orientation();
}

}  // namespace
}  // namespace calyra::ui::testing
