// The slice-view window: linked panes, the cursor's field, the geometry
// window's mark and the window following the volume.
#include "ui/slice_window.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QTest>

#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/platform.h"

namespace calyra::ui::testing {
namespace {

class SliceWindowTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        DispatchCommand(frame, kCmdMonkey, 0);
        DispatchCommand(frame, kCmdSliceViews, 0);
        ASSERT_NE(sliceWindow, nullptr);
        sliceWindow->parentWidget()->resize(620, 260);
        QApplication::processEvents();
    }

    // What one pane shows, cut from the window's picture.
    QImage PanePicture(SlicePane pane) {
        return Paint(sliceWindow).copy(sliceWindow->paneArea(pane));
    }
    // The window-pixel centre of a pane's voxel (column, row).
    QPoint PointOf(SlicePane pane, int column, int row) {
        const QRect area = sliceWindow->paneArea(pane);
        const double scale = static_cast<double>(area.width()) /
                             SlicePaneSize(pane, Store(ProgramSession()).dims).width;
        return {area.left() + static_cast<int>((column + 0.5) * scale),
                area.top() + static_cast<int>((row + 0.5) * scale)};
    }
    // Voxels of a pane whose grey differs between two pictures of the
    // window, leaving out the rows and columns the cross-hairs of either
    // cursor pass through.
    int ChangedVoxels(const QImage& a, const QImage& b, SlicePane pane, Int3 c1, Int3 c2) {
        const PaneSize size = SlicePaneSize(pane, Store(ProgramSession()).dims);
        const PanePixel p1 = PanePixelOfCursor(pane, c1), p2 = PanePixelOfCursor(pane, c2);
        int changed = 0;
        for (int row = 0; row < size.height; ++row) {
            for (int column = 0; column < size.width; ++column) {
                if (column == p1.column || column == p2.column || row == p1.row || row == p2.row) {
                    continue;
                }
                const QPoint at = PointOf(pane, column, row);
                changed += a.pixel(at) != b.pixel(at);
            }
        }
        return changed;
    }
};

bool Same(Int3 a, Int3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

TEST_F(SliceWindowTest, OpensOnceAtTheCentreWithItsFieldInTheStatusBar) {
    EXPECT_EQ(sliceWindow->parentWidget()->windowTitle(), QString::fromLatin1(kSliceWindowTitle));
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{32, 32, 32})));
    EXPECT_EQ(sliceWindow->lastPane(), SlicePane::Axial);
    SliceWindow* first = sliceWindow;
    DispatchCommand(frame, kCmdSliceViews, 0);
    EXPECT_EQ(sliceWindow, first);
    EXPECT_EQ(CursorField()->text(), QStringLiteral("(32, 32, 32) = %1   %1")
                                         .arg(SliceVoxel(ProgramSession().volume(), 32, 32, 32)));
}

TEST_F(SliceWindowTest, AClickInOnePaneMovesTheOtherTwo) {
    const QImage before = Paint(sliceWindow);
    const Int3 start = sliceWindow->cursor();
    QTest::mouseClick(sliceWindow, Qt::LeftButton, Qt::NoModifier,
                      PointOf(SlicePane::Axial, 14, 47));
    const Int3 moved{15, 48, 32};
    EXPECT_TRUE(Same(sliceWindow->cursor(), moved));
    const QImage after = Paint(sliceWindow);
    EXPECT_EQ(ChangedVoxels(before, after, SlicePane::Axial, start, moved), 0);
    EXPECT_GT(ChangedVoxels(before, after, SlicePane::Coronal, start, moved), 0);
    EXPECT_GT(ChangedVoxels(before, after, SlicePane::Sagittal, start, moved), 0);
    EXPECT_EQ(CursorField()->text(), QStringLiteral("(15, 48, 32) = %1   %1")
                                         .arg(SliceVoxel(ProgramSession().volume(), 15, 48, 32)));

    // A click in the sagittal pane moves Y and Z, keeps X.
    QTest::mouseClick(sliceWindow, Qt::LeftButton, Qt::NoModifier,
                      PointOf(SlicePane::Sagittal, 9, 20));
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{15, 10, 21})));
    EXPECT_EQ(sliceWindow->lastPane(), SlicePane::Sagittal);
}

TEST_F(SliceWindowTest, TheWheelAndPageKeysStepThePanesSlice) {
    const QPoint coronal = PointOf(SlicePane::Coronal, 5, 5);
    QWheelEvent forward(coronal, sliceWindow->mapToGlobal(coronal), QPoint(), QPoint(0, 120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(sliceWindow, &forward);
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{32, 33, 32})));
    EXPECT_EQ(sliceWindow->lastPane(), SlicePane::Coronal);
    QTest::keyClick(sliceWindow, Qt::Key_PageDown);
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{32, 23, 32})));
    for (int k = 0; k < 5; ++k) QTest::keyClick(sliceWindow, Qt::Key_PageUp);
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{32, 64, 32})));  // stops at the last slice
}

TEST_F(SliceWindowTest, TheGeometryWindowMarksTheCursorOnlyWhileTheWindowExists) {
    ASSERT_NE(geometryWindow, nullptr);
    const QImage marked = Paint(geometryWindow);
    QTest::mouseClick(sliceWindow, Qt::LeftButton, Qt::NoModifier, PointOf(SlicePane::Axial, 2, 2));
    const QImage moved = Paint(geometryWindow);
    EXPECT_NE(moved, marked);
    delete sliceWindow->parentWidget();
    QApplication::processEvents();
    EXPECT_EQ(sliceWindow, nullptr);
    EXPECT_TRUE(CursorField()->text().isEmpty());
    const QImage plain = Paint(geometryWindow);
    EXPECT_NE(plain, marked);
    EXPECT_NE(plain, moved);
    // Open again, the mark comes back at the centre; closed, the wire-frame
    // is the plain one.
    DispatchCommand(frame, kCmdSliceViews, 0);
    EXPECT_EQ(Paint(geometryWindow), marked);
    delete sliceWindow->parentWidget();
    QApplication::processEvents();
    EXPECT_EQ(Paint(geometryWindow), plain);
}

TEST_F(SliceWindowTest, ANewVolumePutsTheCursorBackAtTheCentre) {
    QTest::mouseClick(sliceWindow, Qt::LeftButton, Qt::NoModifier,
                      PointOf(SlicePane::Coronal, 3, 9));
    EXPECT_FALSE(Same(sliceWindow->cursor(), (Int3{32, 32, 32})));
    DispatchCommand(frame, kCmdBallModel, 0);
    ASSERT_NE(sliceWindow, nullptr);
    EXPECT_TRUE(Same(sliceWindow->cursor(), (Int3{32, 32, 32})));
    EXPECT_EQ(sliceWindow->lastPane(), SlicePane::Axial);
}

TEST_F(SliceWindowTest, SnapPutsThePlaneThroughTheCursorAndRenders) {
    QTest::mouseClick(sliceWindow, Qt::LeftButton, Qt::NoModifier,
                      PointOf(SlicePane::Sagittal, 30, 30));
    ProgramSession().renderPending = false;
    DispatchCommand(frame, kCmdSnapPlaneToCursor, 0);
    EXPECT_TRUE(ProgramSession().renderPending);
    // Facing along +x from the Left face, 0.375 voxel short of slice X.
    const float x = -0.5f + (32 - 0.375f) / 64.0f;
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(ProgramSession().orientation.ViewPlane[k].x, x) << k;
    EXPECT_GT(ProgramSession().orientation.ViewPlane[5].x,
              ProgramSession().orientation.ViewPlane[4].x);
}

// A mouse message as the window gets it, buttons held and keys included.
void Send(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
          Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, keys);
    QApplication::sendEvent(w, &event);
}

// A middle drag, or a Ctrl + left one, moves the window in steps of the range
// and leaves the cursor; a middle double-click resets it; the pane redraws.
TEST_F(SliceWindowTest, DragsChangeTheSliceWindowAndAMiddleDoubleClickResetsIt) {
    const Int3 cursor = sliceWindow->cursor();
    const QImage before = PanePicture(SlicePane::Axial);
    const WindowLevel start = ProgramSession().settings.sliceWindow;
    const ValueMapping& m = ProgramSession().volume().mapping;
    const QPoint from = PointOf(SlicePane::Axial, 20, 20);
    const QPoint to = from + QPoint(30, 12);
    Send(sliceWindow, QEvent::MouseButtonPress, from, Qt::MiddleButton, Qt::MiddleButton);
    Send(sliceWindow, QEvent::MouseMove, from + QPoint(5, 5), Qt::NoButton, Qt::MiddleButton);
    Send(sliceWindow, QEvent::MouseMove, to, Qt::NoButton, Qt::MiddleButton);
    Send(sliceWindow, QEvent::MouseButtonRelease, to, Qt::MiddleButton, Qt::NoButton);
    const WindowLevel dragged = DraggedWindow(start, m, 30, -12);
    EXPECT_EQ(ProgramSession().settings.sliceWindow, dragged);
    EXPECT_TRUE(Same(sliceWindow->cursor(), cursor));
    EXPECT_NE(PanePicture(SlicePane::Axial), before);

    // Ctrl + left drags from the window it finds.
    Send(sliceWindow, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton,
         Qt::ControlModifier);
    Send(sliceWindow, QEvent::MouseMove, from + QPoint(-8, 0), Qt::NoButton, Qt::LeftButton,
         Qt::ControlModifier);
    Send(sliceWindow, QEvent::MouseButtonRelease, from, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(ProgramSession().settings.sliceWindow, DraggedWindow(dragged, m, -8, 0));
    EXPECT_TRUE(Same(sliceWindow->cursor(), cursor));

    Send(sliceWindow, QEvent::MouseButtonDblClick, from, Qt::MiddleButton, Qt::MiddleButton);
    EXPECT_EQ(ProgramSession().settings.sliceWindow, StartSliceWindow(m));
    EXPECT_EQ(PanePicture(SlicePane::Axial), before);
    EXPECT_TRUE(Same(sliceWindow->cursor(), cursor));
}

// The field follows the pointer over a pane and goes back to the cursor
// when the pointer leaves.
TEST_F(SliceWindowTest, TheFieldShowsTheVoxelUnderThePointer) {
    Send(sliceWindow, QEvent::MouseMove, PointOf(SlicePane::Coronal, 4, 9), Qt::NoButton,
         Qt::NoButton);
    const VolumeStore& v = ProgramSession().volume();
    EXPECT_EQ(CursorField()->text().toStdString(), VoxelReadout(v, {5, 32, 10}));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(sliceWindow, &leave);
    EXPECT_EQ(CursorField()->text().toStdString(), VoxelReadout(v, sliceWindow->cursor()));
}

// The presets wait for a volume in HU; a chosen one is checked.
TEST_F(SliceWindowTest, TheCtPresetsAreOfferedForHounsfieldUnits) {
    for (const SliceWindowPreset& preset : kSliceWindowPresets)
        EXPECT_FALSE(MenuItem(preset.command)->isEnabled()) << preset.menuText;
    auto ct = std::make_shared<VolumeStore>();
    ASSERT_EQ(AllocateVolume(*ct, 8, 8, 8), 1);
    PublishShape(*ct, 8, 8, 8, 8);
    ct->mirrorZ = 0;
    ct->mapping = {-1024.0, 3071.0, "HU", true};
    ProgramSession().ReplaceVolume(ct);
    RefreshSliceViews();
    for (const SliceWindowPreset& preset : kSliceWindowPresets)
        EXPECT_TRUE(MenuItem(preset.command)->isEnabled()) << preset.menuText;
    EXPECT_TRUE(IsMenuItemChecked(kSliceWindowPresets[4].command));
    DispatchCommand(frame, kSliceWindowPresets[0].command, 0);
    EXPECT_EQ(ProgramSession().settings.sliceWindow, (WindowLevel{40.0, 80.0}));
    EXPECT_TRUE(IsMenuItemChecked(kSliceWindowPresets[0].command));
    EXPECT_FALSE(IsMenuItemChecked(kSliceWindowPresets[4].command));
    DispatchCommand(frame, kSliceWindowPresets[4].command, 0);
    EXPECT_EQ(ProgramSession().settings.sliceWindow, (WindowLevel{1023.5, 4095.0}));
}

}  // namespace
}  // namespace calyra::ui::testing
