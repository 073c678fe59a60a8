// What the hand does in the render window: the window/level drag (middle
// button, or Ctrl + left; in Composite it shifts the transfer function's
// points instead, since the display window does not apply there), turning
// the viewing plane with a left drag and panning it with the wheel (Live
// Update), and moving the second stereo image with a right drag.
#pragma once

#include <QPoint>
#include <optional>

#include "render/display_map.h"
#include "render/transfer_function.h"
#include "ui/mouse_window.h"

class QWidget;

namespace calyra::ui {

class RenderGestures {
  public:
    explicit RenderGestures(QWidget* window) : window_(window) {}

    void Mouse(MouseMessage message, const QMouseEvent& event);
    void Wheel(int angleDelta);

  private:
    // Each says whether the event was its own.
    bool WindowLevelPress(const QMouseEvent& event);
    bool WindowLevelDrag(const QMouseEvent& event);
    bool WindowLevelRelease(const QMouseEvent& event);
    bool WindowLevelDoubleClick(const QMouseEvent& event);
    // A move: the window/level drag, a turn, or the second stereo image's row.
    void Moved(const QMouseEvent& event);
    void StartTurn(const QPoint& at);
    void TurnByDrag(const QPoint& at);
    void EndTurn();

    QWidget* window_;
    // The window/level drag under way: the button that moves it (NoButton
    // when none does), where it started and the window it started from.
    Qt::MouseButton levelButton_ = Qt::NoButton;
    QPoint levelStart_;
    DisplayWindow levelStartWindow_;
    // In Composite the drag shifts the transfer function it started from.
    std::optional<TransferFunction> shiftStart_;
    // The pointer's last place during a turning drag; none while no drag.
    bool turning_ = false;
    QPoint turnFrom_;
    int wheelRemainder_ = 0;  // angle delta short of a whole step
};

}  // namespace calyra::ui
