// The MDI frame "Calyra Volume Renderer": menu, MDI client, panels,
// accelerators and the two timers.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>

#include "resources/command_ids.h"
#include "ui/mdi_children.h"
#include "ui/mouse_window.h"

class QMdiSubWindow;
class QTimer;

namespace calyra::ui {

inline constexpr const char* kWelcomeCaption = "Welcome";
inline constexpr const char* kWelcomeText =
    "Welcome to the Demonstration Version of the Calyra Visualizer!\n\n"
    "To learn more about the Calyra Visualizer, select the Help...Contents\n"
    "option from the pull-down menu bar.\n\n"
    "To begin using the Calyra Visualizer:\n\n"
    "\to Select a model file from the pull down menu\n\n"
    "\to Use the right mouse button to move the red\n"
    "\t   viewing plane to change the rendering angle\n\n"
    "\to OR simply press the lowercase 'd' key to begin\n"
    "\t   a demonstration; pressing 'D' will then stop it.\n";
inline constexpr const char* kNoTablesText = "No tables loaded";

class FrameWindow : public MouseWindow<QMainWindow> {
  public:
    // Creating the frame greets the user (before the frame is visible),
    // creates the MDI client, records frameWindow and selects Surface.
    FrameWindow();
    ~FrameWindow() override;

    // The rest of start-up: show the frame, create the panels, load the
    // accelerators, start the timers.
    void startUp();

    // A timer message: kDemoTimerId runs one demonstration step while demoRunning.
    void onTimer(int id);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The frame keeps every mouse event to itself and does nothing with it.
    void mouseMessage(MouseMessage, const QMouseEvent&) override {}
    // A file or folder dropped on the frame opens like Open Volume's choice.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void placeOnScreen();
    void createMenus();
    void greetUser();
    void createMdiClient();
    void createPanels();
    void loadAccelerators();
    void startTimers();
    void dispatch(int id, int detail);

    QTimer* demoTimer_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    bool demoStepRunning_ = false;
};

// The whole start-up: core hooks, frame, panels, accelerators, timers.
FrameWindow* StartCalyra();

}  // namespace calyra::ui
