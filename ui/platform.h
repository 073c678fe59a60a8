// The small platform layer: window handles, message boxes, check marks,
// radio groups and repaints over Qt. Every action on a null handle does nothing.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "base/messages.h"
#include "base/repaint.h"
#include "picture/cells.h"

class QWidget;
class QMdiArea;
class QDialog;
class QAction;

namespace calyra::ui {

// Window handles: null while the window does not exist.
extern QWidget* frameWindow;
extern QMdiArea* mdiClient;
extern QWidget* renderWindow;
extern QWidget* geometryWindow;
extern QDialog* viewPanel;
extern QDialog* mapPanel;
extern QDialog* slideBar;

// Panel visibility flags.
extern std::int32_t viewPanelShown;
extern std::int32_t mapPanelShown;
extern std::int32_t slideBarShown;
// Which object the Map panel's snap buttons move: 0 World, 1 ViewPlane.
extern std::int32_t grabTarget;
// The demonstration runs while this is nonzero.
extern std::int16_t demoRunning;

// The private message a panel receives once after creation: set your
// controls from the current settings.
inline constexpr int kRefreshPanelMessage = 1025;

// The core's icons are the boxes' icons.
using Icon = MessageIcon;

// Every message box passes through here. owner may be null (no owner);
// an empty caption means the default caption.
void ShowMessage(QWidget* owner, const QString& text, const QString& caption, Icon icon);

// Tests put a recorder in place of the modal box; an empty function restores it.
using MessageBoxHandler =
    std::function<void(QWidget* owner, const QString& text, const QString& caption, Icon icon)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// Menu check marks, by command id (no-op for unknown ids or no menu).
void CheckMenuItem(int id, bool checked);
bool IsMenuItemChecked(int id);
// Greys a menu item out or back, by command id (no-op as above).
void EnableMenuItem(int id, bool enabled);
// Checks button id in the radio group first..last of a panel (no-op on null).
void CheckRadioButton(QDialog* panel, int first, int last, int id);
bool IsRadioButtonChecked(QDialog* panel, int id);

// A window whose paint needs slow work first (the render window's ray
// casting) does that work here, outside its paint handler, so what it shows
// meanwhile (its caption) can reach the screen. InvalidateWindow and PaintNow
// call it just before the window paints.
class PreparesPaint {
  public:
    virtual void preparePaint() = 0;

  protected:
    ~PreparesPaint() = default;
};

// The render window draws the cells of its last image again, with the
// current display window and colour map, without casting a ray.
class RedrawsCells {
  public:
    virtual void redrawCells() = 0;

  protected:
    ~RedrawsCells() = default;
};
// redrawCells() of the render window, if there is one.
void RedrawRenderWindowCells();

// Invalidate (a paint once the event loop runs) and paint at once (a
// synchronous repaint of this window only).
void InvalidateWindow(QWidget* window, Background background = Background::Erase);
void PaintNow(QWidget* window);

// Routes the core's messages and wait cursor to these functions.
void InstallCoreHooks();

// Controls made from a dialog template carry their id (an int) in this dynamic
// property; DialogItem, CheckRadioButton and IsRadioButtonChecked find them by it.
inline constexpr const char* kControlIdProperty = "controlId";
// The control with this id among the dialog's descendants, or null.
QWidget* DialogItem(QWidget* dialog, int id);

// The menu builder registers every command item here, so check marks can be
// set by id. A destroyed action counts as missing.
void RegisterMenuItem(int id, QAction* action);
QAction* MenuItem(int id);

// A paint handler calls this first: it validates the window (a pending
// invalidation then paints nothing more) and tells whether an invalidation
// since the last paint asked for the background to be erased.
bool TakeEraseRequest(QWidget* window);

// Sets the caption of a window; for an MDI child, its sub-window's title too.
void SetWindowCaption(QWidget* window, const QString& caption);

// The start of a window that paints every pixel itself and takes the
// keyboard (render, geometry and slice windows): its title, no background
// erased by Qt before a paint, and focus by click and by tab.
void PrepareDrawnWindow(QWidget* window, const char* title);

// The wait cursor around long operations; calls nest.
void BeginWaitCursor();
void EndWaitCursor();

// Posts the quit request: the event loop ends with exitCode once it runs again.
void PostQuitMessage(int exitCode);

// Truncates toward zero into a device coordinate (saturating, NaN to 0).
using picture::DeviceCoordinate;

// MDI children cannot be maximised: a maximised one is put back to normal.
void RestoreIfMaximised(QWidget* window);

}  // namespace calyra::ui
