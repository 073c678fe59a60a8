// The mouse as a window procedure sees it: a press, a release, a double
// click or a move is one message to the window's one mouse procedure. Qt
// delivers each through its own handler; those are written here once, for
// any widget base.
#pragma once

#include <QMouseEvent>

namespace calyra::ui {

enum class MouseMessage { Press, Release, DoubleClick, Move };

template <class Base>
class MouseWindow : public Base {
  public:
    using Base::Base;

  protected:
    // The window's mouse procedure. Every mouse event is the window's own
    // (accepted before it arrives); a window without a double-click action
    // takes DoubleClick as the Press it stands for.
    virtual void mouseMessage(MouseMessage message, const QMouseEvent& event) = 0;

  private:
    void deliver(MouseMessage message, QMouseEvent* event) {
        event->accept();
        mouseMessage(message, *event);
    }
    void mousePressEvent(QMouseEvent* event) final { deliver(MouseMessage::Press, event); }
    void mouseReleaseEvent(QMouseEvent* event) final { deliver(MouseMessage::Release, event); }
    void mouseDoubleClickEvent(QMouseEvent* e) final { deliver(MouseMessage::DoubleClick, e); }
    void mouseMoveEvent(QMouseEvent* event) final { deliver(MouseMessage::Move, event); }
};

}  // namespace calyra::ui
