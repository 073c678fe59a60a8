// "Sa&ve View..." and "Open V&iew...": the view shown (volume, settings and
// geometry) kept in a file, and shown again from a file or a saved picture.
#pragma once

#include <QString>

#include "scene/view_file.h"

class QWidget;

namespace calyra::ui {

// Writes the view shown to a chosen file; every failure is a message, and
// with nothing shown yet kNoViewText.
void SaveView(QWidget* frame);
inline constexpr const char* kNoViewText =
    "There is no view yet: choose a model from the Model File menu first.";
// Reads a chosen view file (or a picture carrying a view) and shows it:
// the volume is built or read again, then the settings and the geometry
// are set. A view that cannot be shown leaves everything as it was.
void OpenView(QWidget* frame);
// The same for a file already chosen; true when its view is shown (the file
// is then remembered on the Open Recent list).
bool OpenViewPath(QWidget* frame, const QString& path);
// The same for a view already read.
bool ShowView(QWidget* frame, const ViewState& view);

}  // namespace calyra::ui
