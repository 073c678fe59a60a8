// What the two MDI model windows, render and geometry, share: a typed
// character goes to the window's own key handler, and every paint starts the
// same way.
#pragma once

#include <QWidget>

#include "ui/mouse_window.h"

class QPainter;

namespace calyra::ui {

class ModelWindow : public MouseWindow<QWidget> {
  public:
    using MouseWindow::MouseWindow;

    // One typed character, as the keyboard delivers it.
    virtual void handleCharacter(char key) = 0;

  protected:
    // A printable ASCII character goes to handleCharacter; other keys to QWidget.
    void keyPressEvent(QKeyEvent* event) override;
    // Paints the black class background over the whole client area, whatever
    // erase was asked for, and puts a maximised model window back to normal.
    void startPaint(QPainter& painter);
};

}  // namespace calyra::ui
