// "Sa&ve View..." and "Open V&iew...": the view shown (volume, settings and
// geometry) kept in a file, and shown again from a file or a saved picture.
#pragma once

#include <QString>

#include "scene/view_file.h"
#include "volume/model_type.h"

class QWidget;

namespace calyra::ui {

inline constexpr const char* kNoViewText =
    "There is no view yet: choose a model from the Model File menu first.";

// Where the volume shown came from; kind None while nothing is shown.
ViewVolume& ShownVolume();
// Records a built-in model (by its modelType) as the volume shown.
void ShowModelChosen(ModelType model);
// The view of the image shown, as a view file's text (for files and
// pictures): the settings and geometry of the last render, or of now when
// nothing was rendered yet.
QString ShownViewText();
// Called as a render starts: keeps its settings and geometry.
void RememberRenderedView();

// Writes the view shown to a chosen file; every failure is a message.
void SaveView(QWidget* frame);
// Reads a chosen view file (or a picture carrying a view) and shows it:
// the volume is built or read again, then the settings and the geometry
// are set. A view that cannot be shown leaves everything as it was.
void OpenView(QWidget* frame);
// The same for a view already read.
bool ShowView(QWidget* frame, const ViewState& view);

}  // namespace calyra::ui
