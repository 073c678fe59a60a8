// What the two MDI model windows, render and geometry, share: a typed
// character goes to the window's own key handler.
#pragma once

#include <QWidget>

namespace calyra::ui {

class ModelWindow : public QWidget {
  public:
    using QWidget::QWidget;

    // One typed character, as the keyboard delivers it.
    virtual void handleCharacter(char key) = 0;

  protected:
    // A printable ASCII character goes to handleCharacter; other keys to QWidget.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace calyra::ui
