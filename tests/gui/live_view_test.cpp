// Live Update: frames while the hand moves, the exact image when it stops.
#include "ui/live_view.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <thread>
#include <vector>

#include "picture/cells.h"
#include "render/ray_driver.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/dialog_builder.h"
#include "ui/panels.h"
#include "ui/render_window.h"
#include "ui/slide_bar.h"
#include "ui/volume_opener.h"

namespace calyra::ui::testing {
namespace {

TEST(FrameTimeText, SaysTheTimeAndTheKind) {
    EXPECT_EQ(FrameTimeText(23.4, 1), "23 ms, exact");
    EXPECT_EQ(FrameTimeText(8.6, 2), "9 ms, preview 1/2");
    EXPECT_EQ(FrameTimeText(0.2, 8), "0 ms, preview 1/8");
}

struct StrideCase {
    double exactMilliseconds;  // measured for a frame of 256 x 256 rays
    int stride;                // the first stride expected to fit 40 ms
};

class BudgetStride : public ::testing::TestWithParam<StrideCase> {};

TEST_P(BudgetStride, IsTheFinestThatFitsTheBudget) {
    FrameBudget budget;
    budget.Note(RenderType::Transparent, true, 1, 256, GetParam().exactMilliseconds);
    EXPECT_EQ(budget.Stride(RenderType::Transparent, true, 256), GetParam().stride);
}

INSTANTIATE_TEST_SUITE_P(Times, BudgetStride,
                         ::testing::Values(StrideCase{10.0, 1}, StrideCase{40.0, 1},
                                           StrideCase{100.0, 2}, StrideCase{400.0, 4},
                                           StrideCase{2000.0, 8}, StrideCase{90000.0, 8}));

TEST(FrameBudget, KnowsNothingAtFirstAndJudgesEachKindByItsOwnTimes) {
    FrameBudget budget;
    EXPECT_EQ(budget.Stride(RenderType::Surface, false, 512), 1);
    budget.Note(RenderType::Surface, false, 1, 256, 10.0);
    budget.Note(RenderType::Transparent, false, 4, 256, 50.0);  // 800 ms for all the rays
    EXPECT_EQ(budget.Stride(RenderType::Surface, false, 256), 1);
    EXPECT_EQ(budget.Stride(RenderType::Transparent, false, 256), 8);
    // A kind never measured borrows another's times rather than guessing.
    EXPECT_GT(budget.Estimate(RenderType::Slice, false, 1, 256), 0.0);
}

class LiveViewTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        liveRestMilliseconds = 30;
        DispatchCommand(frame, kCmdBallModel);
        window = dynamic_cast<RenderWindow*>(renderWindow);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(liveUpdate);
        start = Paint(window);
    }
    void TearDown() override {
        liveUpdate = true;
        liveRestMilliseconds = 250;
        frameBudgetMilliseconds = 40.0;
        FrameFixture::TearDown();
    }

    static void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    static void Wheel(QWidget* target, int delta) {
        const QPointF at(10, 10);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
    QString FrameTimeShown() const {
        auto* label = frame->statusBar()->findChild<QLabel*>(QStringLiteral("frameTime"));
        return label ? label->text() : QString();
    }
    // Waits until the window shows a live frame different from before.
    bool WaitForChange(const QImage& before) {
        return QTest::qWaitFor([&] { return window->grab().toImage() != before; }, 5000);
    }
    // What a render of the current view and settings looks like when drawn
    // as the window draws it, from the program's own buffers.
    static QImage HeadlessPicture(int side) {
        RenderImage(ProgramSession(), RaysPerSide(ProgramSession()), RaysPerSide(ProgramSession()),
                    ProgramSession().buffers.ImageBuffer.data(),
                    ProgramSession().settings.renderType);
        return picture::MonoPicture(ProgramSession().buffers, ProgramSession().settings, side,
                                    picture::CellsPerSide(RaysPerSide(ProgramSession()),
                                                          ProgramSession().settings.interpolate));
    }

    RenderWindow* window = nullptr;
    QImage start;
};

TEST_F(LiveViewTest, TheMenuItemIsCheckedAtStartAndTogglesLiveUpdate) {
    EXPECT_TRUE(IsMenuItemChecked(kCmdLiveUpdate));
    DispatchCommand(frame, kCmdLiveUpdate);
    EXPECT_FALSE(liveUpdate);
    EXPECT_FALSE(IsMenuItemChecked(kCmdLiveUpdate));
    DispatchCommand(frame, kCmdLiveUpdate);
    EXPECT_TRUE(liveUpdate);
}

TEST_F(LiveViewTest, ALeftDragTurnsThePlaneAndTheImageChangesBeforeRelease) {
    const Point3 before[2] = {ProgramSession().orientation.ViewPlane[0],
                              ProgramSession().orientation.ViewPlane[4]};
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {70, 60}, Qt::NoButton, Qt::LeftButton);
    EXPECT_NE(ProgramSession().orientation.ViewPlane[0], before[0]);
    // The plane turns about the box centre: its distance from it stays.
    EXPECT_NEAR(VectorLength(ProgramSession().orientation.ViewPlane[4]), VectorLength(before[1]),
                1e-5);
    EXPECT_TRUE(WaitForChange(start));
    EXPECT_FALSE(ProgramSession().renderPending);
    Mouse(window, QEvent::MouseButtonRelease, {70, 60}, Qt::LeftButton, Qt::NoButton);
}

TEST_F(LiveViewTest, AHorizontalDragOfTheClientWidthIsHalfATurn) {
    const int width = window->width();
    const int half = width / 2;
    const Point3 before =
        ProgramSession().orientation.ViewPlane[4];  // the box centre is the origin
    Mouse(window, QEvent::MouseButtonPress, {0, 20}, Qt::LeftButton, Qt::LeftButton);
    for (int x = 1; x < half; x += 7) {
        Mouse(window, QEvent::MouseMove, {x, 20}, Qt::NoButton, Qt::LeftButton);
    }
    Mouse(window, QEvent::MouseMove, {half, 20}, Qt::NoButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseButtonRelease, {half, 20}, Qt::LeftButton, Qt::NoButton);
    const Point3 after = ProgramSession().orientation.ViewPlane[4];
    const Point3 normal = CrossProduct(before, after);
    const double angle =
        std::atan2(VectorLength(normal), double{before.x} * after.x + double{before.y} * after.y +
                                             double{before.z} * after.z);
    EXPECT_NEAR(angle, std::numbers::pi * half / width, 1e-5);
    EXPECT_NEAR(after.y, 0.0f, 1e-6f);  // a horizontal drag turns about the down edge only
}

TEST_F(LiveViewTest, TheNearSideFollowsThePointer) {
    Mouse(window, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {60, 50}, Qt::NoButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseButtonRelease, {60, 50}, Qt::LeftButton, Qt::NoButton);
    // The near face's centre (World[12], the front face at z = -0.5) now
    // lies right of the plane centre along the plane's across edge.
    const Point3 across =
        ProgramSession().orientation.ViewPlane[1] - ProgramSession().orientation.ViewPlane[0];
    const Point3 toNear =
        ProgramSession().orientation.World[12] - ProgramSession().orientation.ViewPlane[4];
    EXPECT_GT(across.x * toNear.x + across.y * toNear.y + across.z * toNear.z, 0.0f);
}

TEST_F(LiveViewTest, ARightDragInTheGeometryWindowRendersWhileItMoves) {
    QWidget* geometry = geometryWindow;
    ASSERT_NE(geometry, nullptr);
    Mouse(geometry, QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    Mouse(geometry, QEvent::MouseMove, {130, 110}, Qt::NoButton, Qt::RightButton);
    EXPECT_TRUE(WaitForChange(start));
    EXPECT_FALSE(ProgramSession().renderPending);
    Mouse(geometry, QEvent::MouseButtonRelease, {130, 110}, Qt::RightButton, Qt::NoButton);
}

TEST_F(LiveViewTest, AfterTheHandStopsTheImageIsTheHeadlessRenderOfTheView) {
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 5; ++step) {
        Mouse(window, QEvent::MouseMove, {40 + 9 * step, 60 - 4 * step}, Qt::NoButton,
              Qt::LeftButton);
    }
    Mouse(window, QEvent::MouseButtonRelease, {85, 40}, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FrameTimeShown().endsWith("exact"); }, 5000));
    QTest::qWait(50);  // nothing later may replace it
    const QImage shown = window->picture();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown, HeadlessPicture(shown.width()));
}

TEST_F(LiveViewTest, SavingAfterAPreviewRendersTheExactImageFirst) {
    // Every frame while the hand moves a preview: the saved picture must still be exact.
    liveRestMilliseconds = 60000;
    frameBudgetMilliseconds = 0.0;
    ProgramSession().settings.interpolate = true;
    RequestRender(ProgramSession());
    Paint(window);
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {60, 65}, Qt::NoButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return FrameTimeShown().endsWith("preview 1/8"); }, 5000));
    const QImage preview = window->grab().toImage();
    const QImage shown = window->picture();
    ASSERT_FALSE(shown.isNull());
    const QImage headless = HeadlessPicture(shown.width());
    EXPECT_EQ(shown.size(), headless.size());
    EXPECT_EQ(shown.format(), headless.format());
    EXPECT_TRUE(shown == headless);
    EXPECT_NE(preview, window->grab().toImage());
    EXPECT_TRUE(FrameTimeShown().endsWith("exact"));
    Mouse(window, QEvent::MouseButtonRelease, {60, 65}, Qt::LeftButton, Qt::NoButton);
}

// The plane after n pan steps from where it is now (positive: in).
std::vector<Point3> PannedPlane(int steps) {
    Point3 saved[kViewPlanePoints];
    std::copy(ProgramSession().orientation.ViewPlane,
              ProgramSession().orientation.ViewPlane + kViewPlanePoints, saved);
    for (int k = 0; k < std::abs(steps); ++k) {
        PanViewPlane(ProgramSession().orientation,
                     steps > 0 ? PanDirection::In : PanDirection::Out);
    }
    std::vector<Point3> panned(ProgramSession().orientation.ViewPlane,
                               ProgramSession().orientation.ViewPlane + kViewPlanePoints);
    std::copy(saved, saved + kViewPlanePoints, ProgramSession().orientation.ViewPlane);
    return panned;
}

std::vector<Point3> Plane() {
    return {ProgramSession().orientation.ViewPlane,
            ProgramSession().orientation.ViewPlane + kViewPlanePoints};
}

TEST_F(LiveViewTest, TheWheelPansOneStepPer120Units) {
    const std::vector<Point3> still = Plane();
    Wheel(window, 60);
    EXPECT_EQ(Plane(), still);  // half a step: nothing yet
    const std::vector<Point3> oneIn = PannedPlane(1);
    Wheel(window, 60);
    EXPECT_EQ(Plane(), oneIn);
    const std::vector<Point3> twoOut = PannedPlane(-2);
    Wheel(window, -240);
    EXPECT_EQ(Plane(), twoOut);
    EXPECT_TRUE(WaitForChange(start));
}

TEST_F(LiveViewTest, MovingTheSlideBarPreviewsAtOnceAndCancelRestores) {
    DispatchCommand(frame, kCmdThresholdPanel);
    auto* bar = qobject_cast<QScrollBar*>(DialogItem(slideBar, kCtlThresholdScrollBar));
    ASSERT_NE(bar, nullptr);
    bar->setSliderPosition(60);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.6f);
    EXPECT_EQ(thresholdEditing, 1);
    EXPECT_EQ(thresholdSaved, 0.1f);
    EXPECT_TRUE(WaitForChange(start));
    const QImage moved = window->grab().toImage();
    bar->setSliderPosition(70);
    EXPECT_EQ(thresholdSaved, 0.1f);  // the period started once
    qobject_cast<QAbstractButton*>(DialogItem(slideBar, kCtlThresholdCancel))->click();
    EXPECT_EQ(ProgramSession().settings.threshold, 0.1f);
    EXPECT_EQ(thresholdEditing, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->grab().toImage() == start; }, 5000));
}

TEST_F(LiveViewTest, WithLiveUpdateOffEverythingIsAsBefore) {
    DispatchCommand(frame, kCmdLiveUpdate);
    ASSERT_FALSE(liveUpdate);
    const Point3 plane = ProgramSession().orientation.ViewPlane[0];
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {90, 80}, Qt::NoButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseButtonRelease, {90, 80}, Qt::LeftButton, Qt::NoButton);
    Wheel(window, 240);
    EXPECT_EQ(ProgramSession().orientation.ViewPlane[0], plane);

    // A right-drag in the geometry window renders only on release.
    QWidget* geometry = geometryWindow;
    Mouse(geometry, QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    Mouse(geometry, QEvent::MouseMove, {130, 110}, Qt::NoButton, Qt::RightButton);
    QTest::qWait(100);
    EXPECT_EQ(window->grab().toImage(), start);
    EXPECT_FALSE(ProgramSession().renderPending);
    Mouse(geometry, QEvent::MouseButtonRelease, {130, 110}, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(ProgramSession().renderPending);
    Paint(window);

    // Scrolling alone leaves the threshold.
    DispatchCommand(frame, kCmdThresholdPanel);
    auto* bar = qobject_cast<QScrollBar*>(DialogItem(slideBar, kCtlThresholdScrollBar));
    bar->setSliderPosition(60);
    EXPECT_EQ(ProgramSession().settings.threshold, 0.1f);
    EXPECT_EQ(thresholdEditing, 0);
}

TEST_F(LiveViewTest, AFrameAskedForBeforeAStopIsNeverShown) {
    const QImage before = window->grab().toImage();
    TurnViewPlane(ProgramSession().orientation, 0.5, 0.0);
    ASSERT_TRUE(RenderLive(LiveView::Motion::Stopped));
    StopLiveRender();
    QTest::qWait(100);
    EXPECT_EQ(window->grab().toImage(), before);
}

TEST_F(LiveViewTest, AModelSwitchDuringADragShowsNoFrameOfTheOldVolume) {
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {70, 60}, Qt::NoButton, Qt::LeftButton);
    DispatchCommand(frame, kCmdCone);
    auto* cone = dynamic_cast<RenderWindow*>(renderWindow);
    ASSERT_NE(cone, nullptr);
    const QImage first = Paint(cone);
    QTest::qWait(100);
    EXPECT_EQ(cone->grab().toImage(), first);
}

TEST_F(LiveViewTest, EachFrameShowsItsTimeAndKindInTheStatusBar) {
    EXPECT_TRUE(FrameTimeShown().endsWith(" ms, exact")) << FrameTimeShown().toStdString();
    Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseMove, {70, 60}, Qt::NoButton, Qt::LeftButton);
    Mouse(window, QEvent::MouseButtonRelease, {70, 60}, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(WaitForChange(start));
    EXPECT_TRUE(FrameTimeShown().contains(" ms, ")) << FrameTimeShown().toStdString();
}

// A 9 x 8 x 7 unsigned 8-bit NRRD: a bright block in a dim box.
void WriteBlockNrrd(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("NRRD0004\ntype: uchar\ndimension: 3\nsizes: 9 8 7\nencoding: raw\n\n");
    for (int k = 0; k < 7; ++k) {
        for (int j = 0; j < 8; ++j) {
            for (int i = 0; i < 9; ++i) {
                const bool inside = i > 2 && i < 7 && j > 1 && j < 6 && k > 1 && k < 5;
                const char v = static_cast<char>(inside ? 200 + i : 20 + j);
                f.write(&v, 1);
            }
        }
    }
}

// Everything that replaces the volume, the view or the window while a drag
// renders live, round after round: afterwards the window shows the exact
// image of the current volume and view, and no frame asked for earlier
// replaces it.
class LiveStressTest : public LiveViewTest {
  protected:
    void SetUp() override {
        LiveViewTest::SetUp();
        ASSERT_TRUE(volumeFile.dir.isValid());
        WriteBlockNrrd(volumeFile.path);
    }

    RenderWindow* Current() const { return dynamic_cast<RenderWindow*>(renderWindow); }

    // Presses the left button and moves in steps, letting frames arrive in
    // between, until a live frame is shown; the button stays down. With
    // queueFrame the last frame asked for is given time to finish without
    // events being handled, so that it waits, unshown, in the queue when
    // the change comes; otherwise it is most likely still being rendered.
    void DragWithoutRelease(bool queueFrame) {
        window = Current();
        ASSERT_NE(window, nullptr);
        const QImage before = Paint(window);
        Mouse(window, QEvent::MouseButtonPress, {40, 60}, Qt::LeftButton, Qt::LeftButton);
        for (int step = 1; step <= 4; ++step) {
            Mouse(window, QEvent::MouseMove, {40 + 6 * step, 60 + 2 * step}, Qt::NoButton,
                  Qt::LeftButton);
            QApplication::processEvents();
        }
        ASSERT_TRUE(WaitForChange(before));
        Mouse(window, QEvent::MouseMove, {70, 72}, Qt::NoButton, Qt::LeftButton);
        if (queueFrame) std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    // Ends the drag if its window is still there.
    void Release(QWidget* dragged) {
        if (dragged && dragged == renderWindow) {
            Mouse(dragged, QEvent::MouseButtonRelease, {70, 72}, Qt::LeftButton, Qt::NoButton);
        }
    }
    void ExpectTheExactImageOfTheCurrentView(const char* what) {
        SCOPED_TRACE(what);
        window = Current();
        ASSERT_NE(window, nullptr);
        auto* label = frame->statusBar()->findChild<QLabel*>(QStringLiteral("frameTime"));
        ASSERT_NE(label, nullptr);
        Paint(window);
        ASSERT_TRUE(QTest::qWaitFor([&] { return FrameTimeShown().endsWith("exact"); }, 10000));
        // Room for the frame asked for once the hand rests, and for any
        // stale one still in flight, to arrive.
        QTest::qWait(3 * liveRestMilliseconds + 100);
        const std::uint64_t generation = Store(ProgramSession()).generation;
        const QImage shown = window->grab().toImage();
        // picture() renders again unless what is shown is already the exact
        // image of this volume and view: nothing may change.
        const QImage picture = window->picture();
        EXPECT_EQ(window->grab().toImage(), shown);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture, HeadlessPicture(picture.width()));
        QTest::qWait(100);
        EXPECT_EQ(window->grab().toImage(), shown);
        EXPECT_EQ(Store(ProgramSession()).generation, generation);
    }

    ChosenVolumeFile volumeFile{"block.nrrd"};
};

TEST_F(LiveStressTest, SwitchesDuringADragNeverShowAnOldVolumeOrView) {
    static constexpr int models[] = {kCmdCone, kCmdBallModel, kCmdHyperboloid};
    const std::vector<std::pair<const char*, std::function<void(int)>>> switches = {
        {"model", [this](int round) { DispatchCommand(frame, models[round % 3]); }},
        {"open volume", [this](int) { EXPECT_EQ(DispatchCommand(frame, kCmdOpenVolume), 1); }},
        {"slice views", [this](int) { DispatchCommand(frame, kCmdSliceViews); }},
        {"stereo on and off",
         [this](int) {
             DispatchCommand(frame, kCmdStereo);
             ASSERT_TRUE(ProgramSession().settings.stereo);
             // The pair is rendered in full; no live frame may land on it.
             const QImage pair = Paint(renderWindow);
             QTest::qWait(50);
             EXPECT_EQ(renderWindow->grab().toImage(), pair);
             DispatchCommand(frame, kCmdStereo);
             ASSERT_FALSE(ProgramSession().settings.stereo);
         }},
        {"close and reopen",
         [this](int round) {
             auto* sub = qobject_cast<QMdiSubWindow*>(renderWindow->parentWidget());
             ASSERT_NE(sub, nullptr);
             sub->close();
             ASSERT_TRUE(QTest::qWaitFor([] { return renderWindow == nullptr; }, 5000));
             DispatchCommand(frame, models[(round + 1) % 3]);
         }},
    };
    for (int round = 0; round < 4; ++round) {
        for (const auto& [what, change] : switches) {
            SCOPED_TRACE(::testing::Message() << "round " << round << ": " << what);
            DragWithoutRelease(round % 2 == 1);
            QWidget* dragged = window;
            change(round);
            // Whatever the field said before, only a frame shown from now
            // on may say "exact".
            frame->statusBar()->findChild<QLabel*>(QStringLiteral("frameTime"))->clear();
            Release(dragged);
            ExpectTheExactImageOfTheCurrentView(what);
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
}  // namespace calyra::ui::testing
