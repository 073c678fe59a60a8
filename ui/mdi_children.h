// The frame's MDI client: adding, removing and arranging its child windows,
// and the frame's caption.
#pragma once

#include <QString>
#include <functional>

class QMdiSubWindow;
class QWidget;

namespace calyra::ui {

inline constexpr const char* kFrameTitle = "Calyra Volume Renderer";

// Adds an MDI child to mdiClient: the content is made by makeContent with its
// sub-window as parent (so it exists inside the frame while it is created),
// then shown. Model windows cannot be maximised; with frameIgnoresMouse the
// sub-window's frame and caption do not react to the mouse.
QMdiSubWindow* AddModelWindow(const std::function<QWidget*(QWidget* parent)>& makeContent,
                              const QString& title, bool frameIgnoresMouse);

// Destroys an MDI child (its sub-window with it) at once.
void DestroyModelWindow(QWidget* window);

void TileModelWindows();
// Lines the minimised MDI children up along the bottom of the client.
void ArrangeIcons();

// The frame's caption names the file shown (the render window's own caption
// tells the progress of each render).
void NameOpenFile(QWidget* frame, const QString& path);

}  // namespace calyra::ui
