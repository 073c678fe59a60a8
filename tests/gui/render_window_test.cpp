// The render window, its grey palette and the cell painter.
#include "ui/render_window.h"

#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/grey_map.h"
#include "render/ray_driver.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/draw_image.h"
#include "ui/grey_palette.h"
#include "ui/stereo_pair.h"

namespace calyra::ui::testing {
namespace {

using RenderWindowTest = FrameFixture;

void ClearImageBuffer() {
    std::memset(ProgramSession().buffers.ImageBuffer.data(), 0,
                sizeof(ProgramSession().buffers.ImageBuffer));
}

void SetImageValue(int x, int y, std::uint32_t v) {
    std::uint32_t* c = &ProgramSession().buffers.ImageAt(x, y);
    c[0] = c[1] = c[2] = v;
}

int GreyAt(const QImage& image, int x, int y) {
    return qRed(image.pixel(x, y));
}

TEST(GreyPalette, RampsThroughTheTwoHalvesWithFloatSteps) {
    const GreyPalette palette = BuildGreyPalette();
    EXPECT_EQ(palette.version, 0x300);
    EXPECT_EQ(palette.count, 256);
    const std::pair<int, int> expected[] = {{0, 0},     {1, 0},     {2, 1},
                                            {64, 63},   {127, 126}, {128, 128},
                                            {129, 128}, {200, 199}, {255, 254}};
    for (const auto& [entry, grey] : expected) {
        EXPECT_EQ(palette.entries[entry].red, grey) << "entry " << entry;
    }
    for (const PaletteEntry& e : palette.entries) {
        EXPECT_EQ(e.red, e.green);
        EXPECT_EQ(e.red, e.blue);
        EXPECT_EQ(e.flags, kPaletteReserved);
        EXPECT_NE(e.red, 127);
        EXPECT_NE(e.red, 255);
    }
}

TEST(GreyPalette, PaletteDisplaysShowTheNearestPaletteGrey) {
    const GreyPalette palette = BuildGreyPalette();
    EXPECT_EQ(NearestPaletteGrey(palette, 255), 254);
    EXPECT_EQ(NearestPaletteGrey(palette, 126), 126);
    EXPECT_EQ(NearestPaletteGrey(palette, 0), 0);
}

class DrawImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearImageBuffer();
        ProgramSession().buffers.displayMax = 255;  // grey = value
    }
    void TearDown() override {
        ClearImageBuffer();
        ProgramSession().buffers.displayMax = 0;
    }
};

TEST_F(DrawImageTest, CellsOfTwoAndAHalfPixelsStartAtTruncatedSums) {
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) SetImageValue(i, j, 10 + 40 * i + j);
    }
    QImage memory(16, 16, QImage::Format_RGB32);
    DrawImage(ProgramSession().buffers, ProgramSession().settings, 5, nullptr, memory, 2.5f, 0.0f,
              0.0f);
    // Columns 0, 2, 5, 7, 10 start the cells; a later cell overdraws the
    // one-pixel overlap, and the last one ends at trunc(10 + 3.0) = 13.
    const int cellOfColumn[] = {0, 0, 1, 1, 1, 2, 2, 3, 3, 3, 4, 4, 4};
    for (int x = 0; x < 13; ++x) EXPECT_EQ(GreyAt(memory, x, 0), 10 + 40 * cellOfColumn[x]) << x;
    for (int y = 0; y < 13; ++y) EXPECT_EQ(GreyAt(memory, 0, y), 10 + cellOfColumn[y]) << y;
    EXPECT_EQ(GreyAt(memory, 13, 0), 0);
    EXPECT_EQ(GreyAt(memory, 0, 13), 0);
}

TEST_F(DrawImageTest, CellRectanglesRoundTheFarEdgeUp) {
    float x = 0.0f;
    const int starts[] = {0, 2, 5, 7, 10};
    for (int start : starts) {
        const CellRect r = CellRectangle(x, x, 2.5f);
        EXPECT_EQ(r.left, start);
        EXPECT_EQ(r.right, static_cast<int>(x + 3.0f));
        x += 2.5f;
    }
}

TEST_F(DrawImageTest, ScalesByDisplayMax) {
    ProgramSession().buffers.displayMax = 110;
    SetImageValue(0, 0, 100);
    SetImageValue(1, 0, 0);
    QImage memory(2, 1, QImage::Format_RGB32);
    DrawImage(ProgramSession().buffers, ProgramSession().settings, 2, nullptr, memory, 1.0f, 0.0f,
              0.0f);
    EXPECT_EQ(memory.pixel(0, 0), qRgb(231, 231, 231));
    EXPECT_EQ(memory.pixel(1, 0), qRgb(0, 0, 0));
}

TEST_F(DrawImageTest, TreatsAZeroDisplayMaxAsOne) {
    ProgramSession().buffers.displayMax = 0;
    SetImageValue(0, 0, 1);
    QImage memory(1, 1, QImage::Format_RGB32);
    DrawImage(ProgramSession().buffers, ProgramSession().settings, 1, nullptr, memory, 1.0f, 0.0f,
              0.0f);
    // Drawn as with a maximum of 1: the value 1 is white.
    EXPECT_EQ(GreyAt(memory, 0, 0), 255);
}

TEST_F(DrawImageTest, CopiesFromTheCornerToTheLowerRightOnly) {
    SetImageValue(0, 0, 200);
    QImage memory(10, 8, QImage::Format_RGB32);
    QImage screen(10, 8, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter painter(&screen);
        DrawImage(ProgramSession().buffers, ProgramSession().settings, 1, &painter, memory, 2.0f,
                  3.0f, 2.0f);
    }
    EXPECT_EQ(GreyAt(screen, 2, 5), 255);  // left of the corner: untouched
    EXPECT_EQ(GreyAt(screen, 5, 1), 255);  // above the corner: untouched
    EXPECT_EQ(GreyAt(screen, 3, 2), 200);  // the cell
    EXPECT_EQ(GreyAt(screen, 9, 7), 0);    // the black rest of the client
}

TEST_F(DrawImageTest, ASecondCallLeavesOnlyItsImageInMemory) {
    SetImageValue(0, 0, 200);
    QImage memory(8, 8, QImage::Format_RGB32);
    DrawImage(ProgramSession().buffers, ProgramSession().settings, 1, nullptr, memory, 2.0f, 0.0f,
              0.0f);
    DrawImage(ProgramSession().buffers, ProgramSession().settings, 1, nullptr, memory, 2.0f, 4.0f,
              4.0f);
    EXPECT_EQ(GreyAt(memory, 0, 0), 0);
    EXPECT_EQ(GreyAt(memory, 4, 4), 200);
}

TEST_F(RenderWindowTest, RendersOnceOnTheFirstPaintThenOnlyCopies) {
    DispatchCommand(frame, kCmdBallModel);
    ASSERT_NE(renderWindow, nullptr);
    CaptionRecorder recorder(renderWindow);
    const QImage first = Paint(renderWindow);
    EXPECT_EQ(recorder.captions,
              QStringList({"Please wait for rendering !", "Calyra Volume Visualization"}));
    EXPECT_FALSE(ProgramSession().renderPending);

    recorder.captions.clear();
    const QImage second = Paint(renderWindow);
    EXPECT_TRUE(recorder.captions.isEmpty());
    EXPECT_EQ(first, second);
}

// Checks every cell's centre pixel against the grey of its ImageBuffer
// element; returns how many cells are lit.
int ExpectCellsShown(const QImage& shown, int cells) {
    const float cell = minSide / static_cast<float>(cells);
    const float k = GreyScale(ProgramSession().buffers.displayMax);
    int lit = 0;
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const int x = static_cast<int>(imageLeft + (static_cast<float>(i) + 0.5f) * cell);
            const int y = static_cast<int>(imageTop + (static_cast<float>(j) + 0.5f) * cell);
            const int grey = GreyLevel(ProgramSession().buffers.ImageAt(i, j), k);
            EXPECT_EQ(GreyAt(shown, x, y), grey) << "cell " << i << ", " << j;
            if (grey > 0) ++lit;
        }
    }
    return lit;
}

TEST_F(RenderWindowTest, ShowsTheImageCellForCellInGreysOfImageBuffer) {
    DispatchCommand(frame, kCmdBallModel);
    const QImage shown = Paint(renderWindow);
    ASSERT_EQ(RaysPerSide(ProgramSession()), 64);
    ASSERT_GE(minSide / 64.0f, 2.0f);
    EXPECT_GT(ExpectCellsShown(shown, 64), 100);  // the ball model is on screen
}

TEST_F(RenderWindowTest, ATallClientCentresTheImageVertically) {
    DispatchCommand(frame, kCmdBallModel);
    Paint(renderWindow);
    ResizeClient(renderWindow, 128, 200);
    ASSERT_EQ(renderWindow->size(), QSize(128, 200));
    EXPECT_TRUE(ProgramSession().renderPending);
    EXPECT_EQ(minSide, 128.0f);
    EXPECT_EQ(imageLeft, 0.0f);
    EXPECT_EQ(imageTop, 36.0f);  // (200 - 128) / 2
    EXPECT_EQ(stereoSecondRow, 100);

    const QImage shown = Paint(renderWindow);
    EXPECT_GT(ExpectCellsShown(shown, 64), 100);
    for (int x = 0; x < 128; x += 5) {
        EXPECT_EQ(GreyAt(shown, x, 35), 0) << x;   // above the image
        EXPECT_EQ(GreyAt(shown, x, 164), 0) << x;  // below it
    }
}

TEST_F(RenderWindowTest, InterpolationDrawsFourCellsPerVoxel) {
    DispatchCommand(frame, kCmdBallModel);
    ResizeClient(renderWindow, 256, 256);
    DispatchCommand(frame, kCmdInterpolate);
    Paint(renderWindow);
    EXPECT_EQ(RaysPerSide(ProgramSession()), 128);
    const QImage shown = Paint(renderWindow);
    const float k = GreyScale(ProgramSession().buffers.displayMax);
    for (int i = 0; i < 256; i += 7) {
        EXPECT_EQ(GreyAt(shown, i, 128), GreyLevel(ProgramSession().buffers.ImageAt(i, 128), k))
            << i;
    }
}

TEST_F(RenderWindowTest, AStereoPairShiftsThePlaneAndEndsAtTheTopRow) {
    DispatchCommand(frame, kCmdBallModel);
    ResizeClient(renderWindow, 150, 150);
    DispatchCommand(frame, kCmdStereo);
    CaptionRecorder recorder(renderWindow);
    const QImage shown = Paint(renderWindow);
    EXPECT_EQ(recorder.captions.size(), 2);
    EXPECT_EQ(imageTop, 0.0f);
    EXPECT_EQ(shownSecondRow, 75);
    // The plane keeps the first of the two shifts: -(3/150) / (45/150) of its width.
    EXPECT_NEAR(ProgramSession().orientation.ViewPlane[0].x, -0.5f - 1.0f / 15.0f, 1e-5);
    EXPECT_NEAR(ProgramSession().orientation.ViewPlane[1].x, 0.5f - 1.0f / 15.0f, 1e-5);
    EXPECT_FLOAT_EQ(ProgramSession().orientation.ViewPlane[0].y, -0.5f);

    // A plain paint shows both stored images again.
    recorder.captions.clear();
    EXPECT_EQ(Paint(renderWindow), shown);
    EXPECT_TRUE(recorder.captions.isEmpty());
}

TEST_F(RenderWindowTest, ARightDragMovesTheSecondImageOnlyInStereo) {
    DispatchCommand(frame, kCmdBallModel);
    ResizeClient(renderWindow, 150, 150);
    Paint(renderWindow);
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 20), renderWindow->mapToGlobal(QPointF(40, 20)),
                     Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(renderWindow, &drag);
    EXPECT_EQ(stereoMovePending, 0);
    EXPECT_FALSE(ProgramSession().renderPending);

    DispatchCommand(frame, kCmdStereo);
    Paint(renderWindow);
    QApplication::sendEvent(renderWindow, &drag);
    EXPECT_EQ(stereoMovePending, 1);
    EXPECT_EQ(stereoSecondRow, 20);
    EXPECT_TRUE(ProgramSession().renderPending);

    CaptionRecorder recorder(renderWindow);
    Paint(renderWindow);  // only re-copies, at the new row
    EXPECT_TRUE(recorder.captions.isEmpty());
    EXPECT_EQ(stereoMovePending, 0);
    Paint(renderWindow);  // the next ordinary paint renders the pair
    EXPECT_EQ(recorder.captions.size(), 2);
}

TEST_F(RenderWindowTest, ConvergenceKeysStayInRange) {
    DispatchCommand(frame, kCmdBallModel);
    auto* window = static_cast<RenderWindow*>(renderWindow);
    for (int i = 0; i < 200; ++i) window->handleCharacter('a');
    EXPECT_EQ(stereoConvergence, 1.0f);
    for (int i = 0; i < 200; ++i) window->handleCharacter('q');
    EXPECT_EQ(stereoConvergence, 0.0f);
    // A zero convergence must not blow the plane away.
    ApplyStereoShift(ProgramSession().orientation);
    for (const Point3& p : ProgramSession().orientation.ViewPlane) EXPECT_TRUE(std::isfinite(p.x));
}

}  // namespace
}  // namespace calyra::ui::testing
