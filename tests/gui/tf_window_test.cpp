// The Transfer Function window driven by the mouse and its buttons: points
// added, dragged and removed on the curve and the colour bar, presets, Load
// and Save, renders while editing, the histogram of a new volume, and the
// render window's middle drag that shifts the points in Composite.
#include "ui/tf_window.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <cmath>

#include "render/transfer_function_presets.h"
#include "scene/transfer_function_file.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/file_chooser.h"
#include "ui/live_view.h"
#include "ui/model_windows.h"
#include "ui/render_window.h"
#include "ui/setting_commands.h"

namespace calyra::ui::testing {
namespace {

const TransferFunction& InUse() {
    return ProgramSession().settings.transferFunction;
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class TfWindowTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        liveRestMilliseconds = 30;
        DispatchCommand(frame, kCmdMonkey);  // 64 x 64 x 64, values 0..255
        render = dynamic_cast<RenderWindow*>(renderWindow);
        ASSERT_NE(render, nullptr);
        Paint(render);
        DispatchCommand(frame, kCmdTransferFunction);
        window = TransferFunctionWindow();
        ASSERT_NE(window, nullptr);
        window->parentWidget()->resize(600, 380);
        QApplication::processEvents();
        plot = window->plot();
        messages.clear();  // the greeting at start
    }
    void TearDown() override {
        SetFileUseChooser({});
        SetTfColourChooser({});
        liveRestMilliseconds = 250;
        liveUpdate = true;
        FrameFixture::TearDown();
    }

    // Where the plot draws an opacity point, and the middle of the colour bar
    // at a file value.
    QPoint CurvePixel(double x, double a) const {
        return plot->curveAxes().PixelOf({x, a}).toPoint();
    }
    QPoint BarPixel(double x) const {
        return QPoint(static_cast<int>(std::lround(plot->barAxes().PixelX(x))),
                      static_cast<int>(plot->layout().bar.center().y()));
    }
    // File units and opacity of one pixel: how near a point put by the
    // mouse lands.
    double ValuePerPixel() const {
        const TfAxes axes = plot->curveAxes();
        return (axes.hi() - axes.lo()) / axes.area().width();
    }
    double OpacityPerPixel() const { return 1.0 / plot->curveAxes().area().height(); }

    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        SendMouseEvent(plot, QEvent::MouseButtonPress, at, button, button);
        SendMouseEvent(plot, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }
    void ExpectPointNear(std::size_t i, double x, double a) {
        ASSERT_LT(i, InUse().opacity.size());
        EXPECT_NEAR(InUse().opacity[i].x, x, ValuePerPixel()) << i;
        EXPECT_NEAR(InUse().opacity[i].a, a, OpacityPerPixel()) << i;
    }
    void ChooseFile(const QString& path) {
        SetFileUseChooser([path](QWidget*, FileUse) { return path; });
    }
    QString FrameTimeShown() const {
        auto* label = frame->statusBar()->findChild<QLabel*>(QStringLiteral("frameTime"));
        return label ? label->text() : QString();
    }
    void ChoosePreset(const char* name) {
        QComboBox* list = window->presets();
        const int index = list->findText(QString::fromLatin1(name));
        ASSERT_GE(index, 0) << name;
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    RenderWindow* render = nullptr;
    TfWindow* window = nullptr;
    TfPlotWidget* plot = nullptr;
};

TEST_F(TfWindowTest, OpensOnceShowingThePresetInUse) {
    EXPECT_EQ(window->parentWidget()->windowTitle(), QString::fromLatin1(kTfWindowTitle));
    DispatchCommand(frame, kCmdTransferFunction);
    EXPECT_EQ(TransferFunctionWindow(), window);
    EXPECT_EQ(window->presets()->count(), static_cast<int>(std::size(kTfPresets)));
    EXPECT_EQ(window->presets()->currentText(), QStringLiteral("ramp"));
    EXPECT_EQ(InUse(), DefaultTransferFunction(0.0, 255.0));
    EXPECT_EQ(plot->curveAxes().lo(), 0.0);
    EXPECT_EQ(plot->curveAxes().hi(), 255.0);
}

TEST_F(TfWindowTest, AClickAddsAPointADragMovesItAndDeleteOrARightClickRemovesIt) {
    // The ramp: (0, 0) and (255, 0.5).
    Click(CurvePixel(100, 0.8));
    ASSERT_EQ(InUse().opacity.size(), 3u);
    ExpectPointNear(1, 100, 0.8);
    EXPECT_EQ(plot->picked(), (TfPlotWidget::Picked{TfPlotWidget::List::Opacity, 1}));
    // An edited function is no preset's.
    EXPECT_TRUE(InUse().preset.empty());
    EXPECT_EQ(window->presets()->currentIndex(), -1);
    EXPECT_TRUE(window->readout()->text().startsWith(QStringLiteral("opacity point 2 of 3")));

    Click(CurvePixel(180, 0.3));
    ASSERT_EQ(InUse().opacity.size(), 4u);
    ExpectPointNear(2, 180, 0.3);

    // A drag from the point moves it; the pointer need not hit its centre.
    DragMouse(plot, Qt::LeftButton, CurvePixel(100, 0.8) + QPoint(2, -1), CurvePixel(60, 0.9));
    ASSERT_EQ(InUse().opacity.size(), 4u);
    ExpectPointNear(1, 60, 0.9);
    // Dragged beyond its neighbour, it stops at the neighbour's value.
    DragMouse(plot, Qt::LeftButton, CurvePixel(60, 0.9), CurvePixel(230, 0.1));
    EXPECT_EQ(InUse().opacity[1].x, InUse().opacity[2].x);
    EXPECT_NEAR(InUse().opacity[1].a, 0.1, OpacityPerPixel());
    EXPECT_NEAR(InUse().opacity[2].a, 0.3, OpacityPerPixel());

    // Delete removes the point taken last.
    Click(CurvePixel(255, 0.5));
    QTest::keyClick(plot, Qt::Key_Delete);
    ASSERT_EQ(InUse().opacity.size(), 3u);
    EXPECT_EQ(plot->picked(), std::nullopt);
    EXPECT_NEAR(InUse().opacity.back().a, 0.3, OpacityPerPixel());

    // A right click removes the point under it; the last point stays.
    Click(CurvePixel(0, 0), Qt::RightButton);
    ASSERT_EQ(InUse().opacity.size(), 2u);
    EXPECT_NEAR(InUse().opacity[0].a, 0.1, OpacityPerPixel());
    Click(CurvePixel(InUse().opacity[0].x, InUse().opacity[0].a), Qt::RightButton);
    ASSERT_EQ(InUse().opacity.size(), 1u);
    const OpacityPoint last = InUse().opacity[0];
    Click(CurvePixel(last.x, last.a), Qt::RightButton);
    ASSERT_EQ(InUse().opacity.size(), 1u);
    // Away from every point a right click does nothing.
    const TransferFunction before = InUse();
    Click(CurvePixel(40, 0.95), Qt::RightButton);
    EXPECT_EQ(InUse(), before);
}

TEST_F(TfWindowTest, ColourPointsAreAddedDraggedColouredAndRemovedOnTheBar) {
    // The ramp's colours run from black at 0 to white at 255.
    ASSERT_EQ(InUse().colour.size(), 2u);
    Click(BarPixel(128));
    ASSERT_EQ(InUse().colour.size(), 3u);
    const ColourPoint added = InUse().colour[1];
    EXPECT_NEAR(added.x, 128, ValuePerPixel());
    // A new point keeps the colour the bar showed there.
    const std::array<double, 3> grey = ColourAt(DefaultTransferFunction(0, 255), added.x);
    EXPECT_EQ((std::array<double, 3>{added.r, added.g, added.b}), grey);

    DragMouse(plot, Qt::LeftButton, BarPixel(128), BarPixel(64));
    const ColourPoint moved = InUse().colour[1];
    EXPECT_NEAR(moved.x, 64, ValuePerPixel());

    // A double click chooses the point's colour; a cancelled choice keeps it.
    QColor offered;
    SetTfColourChooser([&](QWidget*, const QColor& start) -> std::optional<QColor> {
        offered = start;
        return std::nullopt;
    });
    SendMouseEvent(plot, QEvent::MouseButtonDblClick, BarPixel(moved.x), Qt::LeftButton,
                   Qt::LeftButton);
    EXPECT_EQ(InUse().colour[1], moved);
    EXPECT_NEAR(offered.redF(), moved.r, 1.0 / 255);
    SetTfColourChooser(
        [](QWidget*, const QColor&) -> std::optional<QColor> { return QColor(255, 0, 51); });
    SendMouseEvent(plot, QEvent::MouseButtonDblClick, BarPixel(moved.x), Qt::LeftButton,
                   Qt::LeftButton);
    EXPECT_EQ(InUse().colour[1], (ColourPoint{moved.x, 1.0, 0.0, 0.2}));

    // Dragged beyond its neighbour, it stops there.
    DragMouse(plot, Qt::LeftButton, BarPixel(moved.x), BarPixel(300));
    EXPECT_EQ(InUse().colour[1].x, 255.0);

    // A right click takes the top one of the two at 255 away: white.
    Click(BarPixel(255), Qt::RightButton);
    ASSERT_EQ(InUse().colour.size(), 2u);
    EXPECT_EQ(InUse().colour[1], (ColourPoint{255.0, 1.0, 0.0, 0.2}));
    // The marks under the bar take the mouse as the bar does.
    Click(QPoint(BarPixel(0).x(), static_cast<int>(plot->layout().marks.center().y())),
          Qt::RightButton);
    EXPECT_EQ(InUse().colour.size(), 1u);
    EXPECT_EQ(InUse().opacity.size(), 2u);
}

TEST_F(TfWindowTest, APresetReplacesTheFunctionAndChoosingItAgainUndoesEdits) {
    ChoosePreset("ct-bone");
    EXPECT_EQ(InUse(), *PresetTransferFunction("ct-bone", 0.0, 255.0));
    Click(CurvePixel(30, 0.9));
    EXPECT_EQ(window->presets()->currentIndex(), -1);
    EXPECT_EQ(window->presets()->placeholderText(), QString::fromLatin1(kTfEditedPreset));
    ChoosePreset("ct-bone");
    EXPECT_EQ(InUse(), *PresetTransferFunction("ct-bone", 0.0, 255.0));
    EXPECT_EQ(window->presets()->currentText(), QStringLiteral("ct-bone"));
    // A preset chosen elsewhere (a view opened) shows in the list.
    SetTransferFunction(*PresetTransferFunction("pet-hot", 0.0, 255.0), LiveView::Motion::Stopped);
    EXPECT_EQ(window->presets()->currentText(), QStringLiteral("pet-hot"));
}

TEST_F(TfWindowTest, ARefusedFileIsNamedWithItsReasonAndTheFunctionStays) {
    ChoosePreset("mr-default");
    const TransferFunction kept = InUse();
    struct Case {
        const char* name;
        QByteArray text;
        const char* reason;
    };
    const Case cases[] = {
        {"truncated.json", R"([{"Points": [0, 0, 0.5, 0)", "not JSON"},
        {"unsorted.json", R"([{"Points": [9, 0, 0.5, 0, 3, 1, 0.5, 0]}])", "smaller x"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        WriteText(path, c.text);
        ChooseFile(path);
        messages.clear();
        window->loadButton()->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].text.contains(path)) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains(QString::fromLatin1(c.reason)))
            << messages[0].text.toStdString();
        EXPECT_EQ(messages[0].caption,
                  QString::fromLatin1(FileUseCaption(FileUse::LoadTransferFunction)));
        EXPECT_EQ(messages[0].icon, Icon::Warning);
        EXPECT_EQ(InUse(), kept);
        EXPECT_EQ(window->presets()->currentText(), QStringLiteral("mr-default"));
    }
    // A missing file is refused the same way.
    ChooseFile(dir.filePath(QStringLiteral("absent.json")));
    messages.clear();
    window->loadButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("absent.json")));
    EXPECT_EQ(InUse(), kept);
    // Cancelling the chooser does nothing.
    ChooseFile(QString());
    messages.clear();
    window->loadButton()->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(InUse(), kept);
}

TEST_F(TfWindowTest, ASavedFunctionLoadsBackTheSameAndNotesGoToTheStatusBar) {
    ChoosePreset("ct-soft-tissue");
    Click(CurvePixel(77, 0.33));
    Click(BarPixel(190));
    const TransferFunction edited = InUse();
    TempDir dir;
    const QString path = dir.filePath(QStringLiteral("edited.json"));
    ChooseFile(path);
    window->saveButton()->click();
    EXPECT_TRUE(messages.empty());
    ChoosePreset("ramp");
    ASSERT_NE(InUse(), edited);
    window->loadButton()->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(InUse(), edited);
    EXPECT_EQ(window->presets()->currentIndex(), -1);

    // What the file does not say exactly is read, and said in the status bar.
    const QString noted = dir.filePath(QStringLiteral("noted.json"));
    WriteText(noted, R"([{"Name": "x", "Points": [0, 0, 0.5, 0, 255, 1, 0.5, 0], "Extra": 1}])");
    ChooseFile(noted);
    window->loadButton()->click();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(InUse().opacity, (std::vector<OpacityPoint>{{0, 0}, {255, 1}}));
    const QString status = frame->statusBar()->currentMessage();
    EXPECT_TRUE(status.contains(QStringLiteral("Extra"))) << status.toStdString();
    EXPECT_TRUE(status.contains(noted)) << status.toStdString();
}

TEST_F(TfWindowTest, ASaveThatFailsIsAMessageAndLeavesNoFile) {
    TempDir dir;
    const QString path = dir.filePath(QStringLiteral("no-such-folder/tf.json"));
    ChooseFile(path);
    window->saveButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(path)) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].caption,
              QString::fromLatin1(FileUseCaption(FileUse::SaveTransferFunction)));
    EXPECT_FALSE(QFile::exists(path));
}

// In Composite every edit renders, live while the hand moves and exactly
// when it stops; in another type it is only kept.
TEST_F(TfWindowTest, EditsRenderInCompositeAndAreKeptOtherwise) {
    // Surface: kept, nothing rendered.
    Paint(render);
    std::uint64_t frames = LiveFramesShown();
    DragMouse(plot, Qt::LeftButton, CurvePixel(255, 0.5), CurvePixel(200, 0.9));
    ChoosePreset("ct-bone");
    QTest::qWait(80);
    EXPECT_EQ(LiveFramesShown(), frames);
    EXPECT_FALSE(ProgramSession().renderPending);
    EXPECT_EQ(InUse(), *PresetTransferFunction("ct-bone", 0.0, 255.0));

    SelectRenderType(RenderType::Composite, ViewPanelButtons::Follow);
    Paint(render);
    ASSERT_FALSE(ProgramSession().renderPending);
    frames = LiveFramesShown();
    DragMouse(plot, Qt::LeftButton, CurvePixel(200, 0.5), CurvePixel(150, 0.7));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return LiveFramesShown() > frames && FrameTimeShown().endsWith("exact"); }, 5000));

    // Without Live Update a drag renders once, when it stops.
    liveUpdate = false;
    SendMouseEvent(plot, QEvent::MouseButtonPress, CurvePixel(120, 0.2), Qt::LeftButton,
                   Qt::LeftButton);
    SendMouseEvent(plot, QEvent::MouseMove, CurvePixel(110, 0.3), Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(ProgramSession().renderPending);
    SendMouseEvent(plot, QEvent::MouseButtonRelease, CurvePixel(110, 0.3), Qt::LeftButton,
                   Qt::NoButton);
    EXPECT_TRUE(ProgramSession().renderPending);
    Paint(render);
    // A click that takes a point and moves nothing renders nothing.
    Click(CurvePixel(InUse().opacity[0].x, InUse().opacity[0].a));
    EXPECT_FALSE(ProgramSession().renderPending);
}

// The window shows the range and the histogram of each new volume, and a
// preset in use is made again for that range.
TEST_F(TfWindowTest, TheWindowFollowsANewVolumeItsRangeAndItsHistogram) {
    auto ct = std::make_shared<VolumeStore>();
    ASSERT_EQ(AllocateVolume(*ct, 8, 8, 8), 1);
    PublishShape(*ct, 8, 8, 8, 8);
    ct->mirrorZ = 0;
    ct->mapping = {-1024.0, 3071.0, "HU", true};
    // Every voxel in bin 200 but three in bin 10; the bins between are empty.
    for (int x = 1; x <= 8; ++x)
        for (int y = 1; y <= 8; ++y)
            for (int z = 1; z <= 8; ++z) ct->FineRow(x, y)[z] = 200 * 256 + 7;
    for (int z = 1; z <= 3; ++z) ct->FineRow(4, 4)[z] = 10 * 256;
    ProgramSession().ReplaceVolume(ct);
    ShowLoadedVolume(frame);
    // The new model windows are tiled with it: a bin two pixels wide again.
    window->parentWidget()->resize(600, 380);
    QApplication::processEvents();
    ASSERT_GE(plot->curveAxes().area().width(), 2.0 * kHistogramBins);

    EXPECT_EQ(plot->curveAxes().lo(), -1024.0);
    EXPECT_EQ(plot->curveAxes().hi(), 3071.0);
    EXPECT_EQ(InUse(), DefaultTransferFunction(-1024.0, 3071.0));

    // Ramp's curve runs from 0 to 0.5: above 0.5 only the histogram shows.
    const QImage picture = plot->grab().toImage();
    const TfAxes axes = plot->curveAxes();
    const ValueMapping& m = ProgramSession().volume().mapping;
    auto at = [&](int bin, double a) {
        const double x = (HistogramBinEdge(m, bin) + HistogramBinEdge(m, bin + 1)) / 2;
        return picture.pixel(axes.PixelOf({x, a}).toPoint());
    };
    const QRgb empty = at(100, 0.95);
    EXPECT_NE(at(200, 0.95), empty);  // the most voxels: the whole height
    // Three voxels of 512: a fifth as high on a log scale, unseen on a linear one.
    EXPECT_NE(at(10, 0.1), empty);
    EXPECT_EQ(at(10, 0.3), empty);
    EXPECT_EQ(at(9, 0.1), empty);
    EXPECT_EQ(at(150, 0.6), empty);
    // The readout speaks the volume's units.
    SendMouseEvent(plot, QEvent::MouseMove, CurvePixel(0.0, 0.9), Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(window->readout()->text().contains(QStringLiteral(" HU: opacity")))
        << window->readout()->text().toStdString();
}

// In Composite the middle drag (or Ctrl + left) in the render window shifts
// every point by 1/512 of the range a pixel; the display window stays.
TEST_F(TfWindowTest, AMiddleDragInTheRenderWindowShiftsThePointsInComposite) {
    SelectRenderType(RenderType::Composite, ViewPanelButtons::Follow);
    Paint(render);
    const TransferFunction start = InUse();
    const double perPixel = (255.0 - 0.0) / 512;
    struct Case {
        Qt::MouseButton button;
        Qt::KeyboardModifiers keys;
        int dx, dy;
    };
    TransferFunction expected = start;
    for (const Case& c : {Case{Qt::MiddleButton, Qt::NoModifier, 40, 7},
                          Case{Qt::LeftButton, Qt::ControlModifier, -15, -30}}) {
        SCOPED_TRACE(c.dx);
        const std::uint64_t frames = LiveFramesShown();
        DragMouse(render, c.button, QPoint(100, 100), QPoint(100 + c.dx, 100 + c.dy), c.keys);
        ASSERT_TRUE(ShiftPoints(expected, perPixel * c.dx));
        ASSERT_EQ(InUse().opacity.size(), start.opacity.size());
        for (std::size_t i = 0; i < start.opacity.size(); ++i) {
            EXPECT_DOUBLE_EQ(InUse().opacity[i].x, expected.opacity[i].x) << c.dx;
            EXPECT_EQ(InUse().opacity[i].a, start.opacity[i].a);
        }
        for (std::size_t i = 0; i < start.colour.size(); ++i) {
            EXPECT_DOUBLE_EQ(InUse().colour[i].x, expected.colour[i].x) << c.dx;
        }
        EXPECT_EQ(ProgramSession().settings.displayWindow, DisplayWindow{});
        // The orientation did not turn under the Ctrl + left drag: only the
        // exact frame of the shifted points follows.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return LiveFramesShown() > frames && FrameTimeShown().endsWith("exact"); },
            5000));
    }
    EXPECT_EQ(window->presets()->currentIndex(), -1);

    // Outside Composite the same drag is the display window's again.
    SelectRenderType(RenderType::Surface, ViewPanelButtons::Follow);
    const TransferFunction kept = InUse();
    DragMouse(render, Qt::MiddleButton, QPoint(100, 100), QPoint(80, 100));  // narrower
    EXPECT_EQ(InUse(), kept);
    EXPECT_NE(ProgramSession().settings.displayWindow, DisplayWindow{});
}

}  // namespace
}  // namespace calyra::ui::testing
