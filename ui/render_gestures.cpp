#include "ui/render_gestures.h"

#include <QWidget>
#include <numbers>

#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/render_canvas.h"
#include "ui/setting_commands.h"
#include "ui/stereo_pair.h"
#include "ui/tf_commands.h"

namespace calyra::ui {

void RenderGestures::Mouse(MouseMessage message, const QMouseEvent& event) {
    switch (message) {
        case MouseMessage::Press:
            if (WindowLevelPress(event)) return;
            if (event.button() == Qt::LeftButton && !(event.modifiers() & Qt::ControlModifier)) {
                StartTurn(event.position().toPoint());
            }
            return;
        case MouseMessage::Release:
            if (WindowLevelRelease(event)) return;
            if (event.button() == Qt::LeftButton) EndTurn();
            return;
        case MouseMessage::DoubleClick:
            WindowLevelDoubleClick(event);
            return;
        case MouseMessage::Move:
            Moved(event);
            return;
    }
}

bool RenderGestures::WindowLevelPress(const QMouseEvent& event) {
    const bool middle = event.button() == Qt::MiddleButton;
    const bool ctrlLeft =
        event.button() == Qt::LeftButton && (event.modifiers() & Qt::ControlModifier);
    if (levelButton_ != Qt::NoButton || !(middle || ctrlLeft)) return false;
    levelButton_ = event.button();
    levelStart_ = event.position().toPoint();
    const UserSettings& settings = ProgramSession().settings;
    levelStartWindow_ = settings.displayWindow;
    shiftStart_.reset();
    if (settings.renderType == RenderType::Composite) shiftStart_ = settings.transferFunction;
    return true;
}

bool RenderGestures::WindowLevelDrag(const QMouseEvent& event) {
    if (levelButton_ == Qt::NoButton) return false;
    const QPoint at = event.position().toPoint();
    if (shiftStart_) {
        // From where the drag started, so that the steps do not add up errors.
        TransferFunction tf = *shiftStart_;
        const int pixels = at.x() - levelStart_.x();
        if (pixels != 0) ShiftPoints(tf, TfShiftPerPixel() * pixels);
        SetTransferFunction(tf, LiveView::Motion::Moving);
        return true;
    }
    // Right widens, up (towards smaller rows) raises the centre.
    const DisplayWindow moved =
        DraggedWindow(levelStartWindow_, at.x() - levelStart_.x(), levelStart_.y() - at.y());
    if (moved != ProgramSession().settings.displayWindow) SetDisplayWindow(moved);
    return true;
}

bool RenderGestures::WindowLevelRelease(const QMouseEvent& event) {
    if (levelButton_ == Qt::NoButton || event.button() != levelButton_) return false;
    levelButton_ = Qt::NoButton;
    if (shiftStart_) {
        shiftStart_.reset();
        SetTransferFunction(ProgramSession().settings.transferFunction, LiveView::Motion::Stopped);
    }
    return true;
}

bool RenderGestures::WindowLevelDoubleClick(const QMouseEvent& event) {
    if (event.button() != Qt::MiddleButton) return false;
    SetDisplayWindow(DisplayWindow{});
    return true;
}

void RenderGestures::StartTurn(const QPoint& at) {
    turning_ = liveUpdate;
    turnFrom_ = at;
}

void RenderGestures::TurnByDrag(const QPoint& at) {
    if (!turning_ || !liveUpdate || clientWidth <= 0) return;
    const QPoint moved = at - turnFrom_;
    if (moved.isNull()) return;
    turnFrom_ = at;
    // Half a turn per client width, both ways.
    const double perPixel = std::numbers::pi / static_cast<double>(clientWidth);
    Session& session = ProgramSession();
    TurnViewPlane(session.orientation, perPixel * moved.x(), perPixel * moved.y());
    InvalidateWindow(geometryWindow);
    if (!RenderLive(LiveView::Motion::Moving)) RequestRender(session);
}

void RenderGestures::EndTurn() {
    if (!turning_) return;
    turning_ = false;
    if (liveUpdate) RenderLive(LiveView::Motion::Stopped);
}

void RenderGestures::Wheel(int angleDelta) {
    if (!liveUpdate) return;
    // 120 units are one step; a finer wheel adds up to whole steps.
    wheelRemainder_ += angleDelta;
    bool moved = false;
    Orientation& o = ProgramSession().orientation;
    for (; wheelRemainder_ >= 120; wheelRemainder_ -= 120, moved = true) {
        PanViewPlane(o, PanDirection::In);
    }
    for (; wheelRemainder_ <= -120; wheelRemainder_ += 120, moved = true) {
        PanViewPlane(o, PanDirection::Out);
    }
    if (!moved) return;
    InvalidateWindow(geometryWindow);
    if (!RenderLive(LiveView::Motion::Moving)) RequestRender(ProgramSession());
}

void RenderGestures::Moved(const QMouseEvent& event) {
    if (WindowLevelDrag(event)) return;
    // Without a mouse capture, movements outside the client area are not seen.
    const QPoint position = event.position().toPoint();
    if (!window_->rect().contains(position)) return;
    if (event.buttons() & Qt::LeftButton) TurnByDrag(position);
    if (!(event.buttons() & Qt::RightButton) || !ProgramSession().settings.stereo) return;
    stereoMovePending = 1;
    stereoSecondRow = static_cast<std::uint16_t>(position.y());
    shownSecondRow = stereoSecondRow;
    RequestRender(ProgramSession(), Background::Keep);
}

}  // namespace calyra::ui
