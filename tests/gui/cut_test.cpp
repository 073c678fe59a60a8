// Cutting into the volume in the window: the Crop panel, the box's edges
// dragged in the slice views with the render following live, the box in the
// geometry window, Cut at ViewPlane and Remove Cut, and a view whose box
// does not fit its volume.
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "picture/cells.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/crop_panel.h"
#include "ui/cut_commands.h"
#include "ui/live_view.h"
#include "ui/render_window.h"
#include "ui/slice_window.h"
#include "ui/view_commands.h"

namespace calyra::ui::testing {
namespace {

std::optional<CropBox> Crop() {
    return ProgramSession().settings.crop;
}

void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class CutTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        liveRestMilliseconds = 30;
        DispatchCommand(frame, kCmdMonkey);  // 64 x 64 x 64
        window = dynamic_cast<RenderWindow*>(renderWindow);
        ASSERT_NE(window, nullptr);
        Paint(window);
    }
    void TearDown() override {
        liveRestMilliseconds = 250;
        liveUpdate = true;
        FrameFixture::TearDown();
    }
    QString FrameTimeShown() const {
        auto* label = frame->statusBar()->findChild<QLabel*>(QStringLiteral("frameTime"));
        return label ? label->text() : QString();
    }
    // The picture a render of the session as it stands makes.
    static QImage HeadlessPicture(int side) {
        Session& s = ProgramSession();
        RenderImage(s, RaysPerSide(s), RaysPerSide(s), s.buffers.ImageBuffer.data(),
                    s.settings.renderType);
        return picture::MonoPicture(s.buffers, s.settings, side,
                                    picture::CellsPerSide(RaysPerSide(s), s.settings.interpolate));
    }
    // Waits for the exact frame after the hand stopped; it shows the view.
    void ExpectExactFrameOfTheView() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return FrameTimeShown().endsWith("exact"); }, 5000));
        QTest::qWait(50);  // nothing later may replace it
        const QImage shown = window->picture();
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown, HeadlessPicture(shown.width()));
    }
    void OpenSliceViews() {
        DispatchCommand(frame, kCmdSliceViews);
        ASSERT_NE(sliceWindow, nullptr);
        sliceWindow->parentWidget()->resize(620, 260);
        QApplication::processEvents();
    }
    // The window x of the boundary after voxel column k of a pane.
    int BoundaryX(SlicePane pane, int k) const {
        const QRect area = sliceWindow->paneArea(pane);
        return area.left() + static_cast<int>(k * static_cast<double>(area.width()) / 64);
    }

    RenderWindow* window = nullptr;
};

TEST_F(CutTest, ThePanelShowsTheBoxAndEveryBoundStopsAtItsPartner) {
    DispatchCommand(frame, kCmdCropPanel);
    CropPanel* panel = TheCropPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(panel->bound(k)->value(), k % 2 ? 64 : 1) << k;
        EXPECT_EQ(panel->bound(k)->minimum(), 1) << k;
        EXPECT_EQ(panel->bound(k)->maximum(), 64) << k;
    }
    EXPECT_FALSE(Crop().has_value());
    panel->bound(0)->setValue(20);  // x0
    panel->bound(5)->setValue(40);  // z1
    ASSERT_TRUE(Crop().has_value());
    EXPECT_EQ(*Crop(), (CropBox{20, 64, 1, 64, 1, 40}));
    EXPECT_EQ(panel->bound(1)->minimum(), 20);
    EXPECT_EQ(panel->bound(4)->maximum(), 40);
    panel->bound(1)->setValue(5);  // below its partner: held at it
    EXPECT_EQ(Crop()->x1, 20);
    ExpectExactFrameOfTheView();
    // The box changed elsewhere shows here too.
    SetCropBox(CropBox{2, 3, 4, 5, 6, 7}, LiveView::Motion::Stopped);
    EXPECT_EQ(panel->bound(3)->value(), 5);
    panel->findChild<QPushButton*>(QStringLiteral("cropReset"))->click();
    EXPECT_FALSE(Crop().has_value());
    EXPECT_EQ(panel->bound(5)->value(), 64);
}

TEST_F(CutTest, DraggingAnEdgeInASlicePaneCropsAndTheRenderFollowsLive) {
    OpenSliceViews();
    const QRect axial = sliceWindow->paneArea(SlicePane::Axial);
    const std::uint64_t framesBefore = LiveFramesShown();
    const QImage before = Paint(window);
    // The left edge of the whole box lies on the pane's left side.
    const QPoint grab(axial.left(), axial.center().y());
    Send(sliceWindow, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    for (int k = 2; k <= 16; k += 2) {
        Send(sliceWindow, QEvent::MouseMove, {BoundaryX(SlicePane::Axial, k), grab.y()},
             Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
    }
    // The edge took the drag: the cursor stayed.
    EXPECT_EQ(sliceWindow->cursor().x, 32);
    ASSERT_TRUE(Crop().has_value());
    EXPECT_EQ(*Crop(), (CropBox{17, 64, 1, 64, 1, 64}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return LiveFramesShown() > framesBefore; }, 5000));
    Send(sliceWindow, QEvent::MouseButtonRelease, {BoundaryX(SlicePane::Axial, 16), grab.y()},
         Qt::LeftButton, Qt::NoButton);
    ExpectExactFrameOfTheView();
    EXPECT_NE(window->picture(), before);

    // The bottom edge of the coronal pane is z1; dragged past z0 it stops there.
    const QRect coronal = sliceWindow->paneArea(SlicePane::Coronal);
    const QPoint bottom(coronal.center().x(), coronal.bottom() + 1);
    Send(sliceWindow, QEvent::MouseButtonPress, bottom, Qt::LeftButton, Qt::LeftButton);
    Send(sliceWindow, QEvent::MouseMove, {bottom.x(), coronal.top() - 30}, Qt::NoButton,
         Qt::LeftButton);
    Send(sliceWindow, QEvent::MouseButtonRelease, {bottom.x(), coronal.top() - 30}, Qt::LeftButton,
         Qt::NoButton);
    EXPECT_EQ(*Crop(), (CropBox{17, 64, 1, 64, 1, 1}));
    ExpectExactFrameOfTheView();
}

TEST_F(CutTest, ThePanesDrawTheBoxInYellowAndTheVoxelsOutsideAsTheyAre) {
    OpenSliceViews();
    const QRect axial = sliceWindow->paneArea(SlicePane::Axial);
    const double scale = axial.width() / 64.0;
    // A voxel outside the box to come, away from the cross-hairs.
    const QPoint outside(axial.left() + static_cast<int>(5.5 * scale),
                         axial.top() + static_cast<int>(50.5 * scale));
    const QRgb outsideBefore = Paint(sliceWindow).pixel(outside);
    SetCropBox(CropBox{11, 40, 21, 45, 1, 64}, LiveView::Motion::Stopped);
    const QImage shown = Paint(sliceWindow);
    EXPECT_EQ(shown.pixel(outside), outsideBefore);
    // The box's left edge: within a pixel of voxel 11's left side, along rows 21..45.
    const int left = axial.left() + static_cast<int>(10 * scale);
    int yellow = 0;
    for (int y = axial.top() + static_cast<int>(21 * scale);
         y < axial.top() + static_cast<int>(44 * scale); ++y) {
        bool found = false;
        for (int x = left - 1; x <= left + 1; ++x) found |= shown.pixel(x, y) == qRgb(255, 255, 0);
        yellow += found;
    }
    EXPECT_GT(yellow, static_cast<int>(20 * scale));
}

// The number of pure yellow pixels in a picture.
int YellowPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(255, 255, 0);
    }
    return n;
}

TEST_F(CutTest, TheGeometryWindowDrawsTheBoxInsideTheWorld) {
    EXPECT_EQ(YellowPixels(Paint(geometryWindow)), 0);
    SetCropBox(CropBox{10, 50, 10, 50, 20, 40}, LiveView::Motion::Stopped);
    EXPECT_GT(YellowPixels(Paint(geometryWindow)), 100);
    DispatchCommand(frame, kCmdRemoveCut);
    EXPECT_EQ(YellowPixels(Paint(geometryWindow)), 0);
}

TEST_F(CutTest, CutAtViewPlaneKeepsThePlaneWithTheVolumeAndRemoveCutClearsIt) {
    Orientation& o = ProgramSession().orientation;
    for (int k = 0; k < 8; ++k) PanViewPlane(o, PanDirection::In);
    const std::optional<ClipPlane> expected = ClipAtViewPlane(o, ProgramSession().volume().size);
    DispatchCommand(frame, kCmdCutAtViewPlane);
    ASSERT_TRUE(ProgramSession().settings.clip.has_value());
    EXPECT_EQ(ProgramSession().settings.clip, expected);
    for (int k = 0; k < 8; ++k) PanViewPlane(o, PanDirection::Out);
    TurnViewPlane(o, 0.6, -0.3);
    EXPECT_EQ(ProgramSession().settings.clip, expected);
    Paint(window);
    const QImage cut = window->picture();
    EXPECT_EQ(cut, HeadlessPicture(cut.width()));
    SetCropBox(CropBox{1, 30, 1, 64, 1, 64}, LiveView::Motion::Stopped);
    DispatchCommand(frame, kCmdRemoveCut);
    EXPECT_FALSE(ProgramSession().settings.clip.has_value());
    EXPECT_FALSE(Crop().has_value());
    EXPECT_TRUE(ProgramSession().renderPending);
}

TEST_F(CutTest, AViewWhoseBoxDoesNotFitItsVolumeChangesNothing) {
    SetCropBox(CropBox{3, 9, 3, 9, 3, 9}, LiveView::Motion::Stopped);
    messages.clear();
    const std::shared_ptr<const VolumeStore> shown = ProgramSession().VoxelVolume;
    const UserSettings settings = ProgramSession().settings;
    ViewState view;
    view.volume.kind = ViewVolume::Kind::Model;
    view.volume.model = "ball";
    view.settings.crop = CropBox{1, 64, 1, 64, 1, 65};  // the ball is 64 x 64 x 64
    EXPECT_FALSE(ShowView(frame, view));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("crop lies outside the volume's")))
        << messages[0].text.toStdString();
    EXPECT_EQ(ProgramSession().VoxelVolume, shown);
    EXPECT_TRUE(ProgramSession().settings == settings);
    EXPECT_EQ(renderWindow, window);
    // A new volume starts uncut, and the panel follows it.
    DispatchCommand(frame, kCmdCropPanel);
    DispatchCommand(frame, kCmdBallModel);
    EXPECT_FALSE(Crop().has_value());
    EXPECT_EQ(TheCropPanel()->bound(0)->value(), 1);
    EXPECT_EQ(TheCropPanel()->bound(1)->value(), 64);
}

}  // namespace
}  // namespace calyra::ui::testing
