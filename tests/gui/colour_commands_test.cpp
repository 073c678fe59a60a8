// Projections and colour maps picked from the menu, and the window/level
// drag in the render window, as a user sees them.
#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QMouseEvent>

#include "picture/cells.h"
#include "render/display_map.h"
#include "render/grey_map.h"
#include "render/ray_driver.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/render_window.h"
#include "ui/shown_view.h"
#include "ui/view_commands.h"

namespace calyra::ui::testing {
namespace {

class ColourCommandsTest : public FrameFixture {
  protected:
    // The combined model in a 256 x 256 render window, rendered.
    RenderWindow* ShowModel() {
        DispatchCommand(frame, kCmdCombined);
        auto* window = dynamic_cast<RenderWindow*>(renderWindow);
        if (!window) return nullptr;
        QWidget* sub = window->parentWidget();
        sub->resize(sub->width() - window->width() + 256, sub->height() - window->height() + 256);
        Paint(window);
        return window;
    }

    // The colour the window shows at the centre of cell (i, j).
    static QRgb Shown(const QImage& screen, int i, int j) {
        const float cell = minSide / static_cast<float>(RaysPerSide(ProgramSession()));
        const int x = static_cast<int>(imageLeft + (static_cast<float>(i) + 0.5f) * cell);
        const int y = static_cast<int>(imageTop + (static_cast<float>(j) + 0.5f) * cell);
        return screen.pixel(x, y);
    }

    // Every sampled cell on screen has the colour of its grey under the
    // current map and window.
    static void ExpectCellsInCurrentColours(const QImage& screen) {
        const float k = GreyScale(ProgramSession().buffers.displayMax);
        int coloured = 0;
        for (int j = 1; j < RaysPerSide(ProgramSession()); j += 5) {
            for (int i = 2; i < RaysPerSide(ProgramSession()); i += 6) {
                const Rgb8 c = DisplayColour(GreyLevel(ProgramSession().buffers.ImageAt(i, j), k),
                                             ProgramSession().settings.colourMap,
                                             ProgramSession().settings.displayWindow);
                ASSERT_EQ(Shown(screen, i, j), qRgb(c.r, c.g, c.b)) << i << ", " << j;
                coloured += c.r != c.g || c.g != c.b;
            }
        }
        if (ProgramSession().settings.colourMap != ColourMap::Grey &&
            ProgramSession().settings.colourMap != ColourMap::Inverted) {
            EXPECT_GT(coloured, 0);
        }
    }

    static void SendMouse(QWidget* window, QEvent::Type type, QPoint at, Qt::MouseButton button,
                          Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
        QMouseEvent event(type, QPointF(at), window->mapToGlobal(QPointF(at)), button, buttons,
                          modifiers);
        QApplication::sendEvent(window, &event);
    }
};

TEST_F(ColourCommandsTest, AProjectionAndAColourMapFromTheMenuChangeThePicture) {
    RenderWindow* window = ShowModel();
    ASSERT_NE(window, nullptr);
    const QImage surface = Paint(window);
    const std::vector<std::uint32_t> surfaceBuffer(std::begin(ProgramSession().buffers.ImageBuffer),
                                                   std::end(ProgramSession().buffers.ImageBuffer));

    MenuItem(RenderTypeCommand(RenderType::Maximum))->trigger();
    EXPECT_EQ(ProgramSession().settings.renderType, RenderType::Maximum);
    EXPECT_TRUE(IsMenuItemChecked(RenderTypeCommand(RenderType::Maximum)));
    EXPECT_FALSE(IsMenuItemChecked(RenderTypeCommand(RenderType::Surface)));
    for (int button :
         {RenderTypeCommand(RenderType::Surface), RenderTypeCommand(RenderType::Transparent),
          RenderTypeCommand(RenderType::Slice)}) {
        EXPECT_FALSE(IsRadioButtonChecked(viewPanel, button)) << button;
    }
    const QImage maximum = Paint(window);
    EXPECT_FALSE(ProgramSession().renderPending);
    EXPECT_NE(maximum, surface);
    EXPECT_NE(std::vector<std::uint32_t>(std::begin(ProgramSession().buffers.ImageBuffer),
                                         std::end(ProgramSession().buffers.ImageBuffer)),
              surfaceBuffer);
    ExpectCellsInCurrentColours(maximum);

    // A colour map redraws the kept image: no new render.
    const std::vector<std::uint32_t> maxBuffer(std::begin(ProgramSession().buffers.ImageBuffer),
                                               std::end(ProgramSession().buffers.ImageBuffer));
    CaptionRecorder recorder(window);
    MenuItem(ColourMapCommand(ColourMap::Hot))->trigger();
    EXPECT_EQ(ProgramSession().settings.colourMap, ColourMap::Hot);
    EXPECT_TRUE(IsMenuItemChecked(ColourMapCommand(ColourMap::Hot)));
    EXPECT_FALSE(IsMenuItemChecked(ColourMapCommand(ColourMap::Grey)));
    EXPECT_FALSE(ProgramSession().renderPending);
    const QImage hot = Paint(window);
    EXPECT_TRUE(recorder.captions.isEmpty());
    EXPECT_NE(hot, maximum);
    ExpectCellsInCurrentColours(hot);
    EXPECT_EQ(std::vector<std::uint32_t>(std::begin(ProgramSession().buffers.ImageBuffer),
                                         std::end(ProgramSession().buffers.ImageBuffer)),
              maxBuffer);
    // The saved picture shows the colours too.
    EXPECT_EQ(window->picture().convertToFormat(QImage::Format_RGB32),
              picture::MonoPicture(ProgramSession().buffers, ProgramSession().settings,
                                   static_cast<int>(minSide), RaysPerSide(ProgramSession())));

    // ... and the view it carries names them.
    const QString view = ShownViewText();
    EXPECT_TRUE(view.contains("\ntype maximum\n")) << view.toStdString();
    EXPECT_TRUE(view.contains("\ncolormap hot\n"));

    MenuItem(ColourMapCommand(ColourMap::Grey))->trigger();
    EXPECT_EQ(Paint(window), maximum);
}

TEST_F(ColourCommandsTest, ACtrlLeftDragMovesTheDisplayWindowAndAMiddleDoubleClickResetsIt) {
    RenderWindow* window = ShowModel();
    ASSERT_NE(window, nullptr);
    const QImage before = Paint(window);
    Point3 plane[kViewPlanePoints];
    std::copy(std::begin(ProgramSession().orientation.ViewPlane),
              std::end(ProgramSession().orientation.ViewPlane), plane);

    // 40 pixels left narrows the window by 40, 10 up raises its centre by 10.
    SendMouse(window, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton,
              Qt::ControlModifier);
    SendMouse(window, QEvent::MouseMove, {70, 95}, Qt::NoButton, Qt::LeftButton,
              Qt::ControlModifier);
    SendMouse(window, QEvent::MouseMove, {60, 90}, Qt::NoButton, Qt::LeftButton,
              Qt::ControlModifier);
    SendMouse(window, QEvent::MouseButtonRelease, {60, 90}, Qt::LeftButton, Qt::NoButton,
              Qt::ControlModifier);
    EXPECT_EQ(ProgramSession().settings.displayWindow, (DisplayWindow{30, 245}));
    EXPECT_FALSE(ProgramSession().renderPending);
    const QImage windowed = Paint(window);
    EXPECT_NE(windowed, before);
    ExpectCellsInCurrentColours(windowed);
    // The drag never turns the view.
    for (int i = 0; i < kViewPlanePoints; ++i)
        EXPECT_EQ(ProgramSession().orientation.ViewPlane[i], plane[i]);

    // A middle drag starts from where the window is now.
    SendMouse(window, QEvent::MouseButtonPress, {50, 50}, Qt::MiddleButton, Qt::MiddleButton,
              Qt::NoModifier);
    SendMouse(window, QEvent::MouseMove, {50, 70}, Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
    SendMouse(window, QEvent::MouseButtonRelease, {50, 70}, Qt::MiddleButton, Qt::NoButton,
              Qt::NoModifier);
    EXPECT_EQ(ProgramSession().settings.displayWindow, (DisplayWindow{10, 225}));
    // Moves without a button pressed change nothing.
    SendMouse(window, QEvent::MouseMove, {200, 10}, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(ProgramSession().settings.displayWindow, (DisplayWindow{10, 225}));

    SendMouse(window, QEvent::MouseButtonDblClick, {50, 70}, Qt::MiddleButton, Qt::MiddleButton,
              Qt::NoModifier);
    EXPECT_EQ(ProgramSession().settings.displayWindow, (DisplayWindow{}));
    EXPECT_EQ(Paint(window), before);

    // The menu's reset does the same.
    ProgramSession().settings.displayWindow = {5, 6};
    MenuItem(kCmdResetDisplayWindow)->trigger();
    EXPECT_EQ(ProgramSession().settings.displayWindow, (DisplayWindow{}));
}

}  // namespace
}  // namespace calyra::ui::testing
