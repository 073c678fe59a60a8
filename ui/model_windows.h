// The two model windows, geometry and render, made again for a new volume.
#pragma once

#include "ui/render_window.h"
#include "volume/model_type.h"

class QWidget;

namespace calyra::ui {

// modelType of a volume brought in through "&Load File..." or "Open Volume...".
inline constexpr ModelType kLoadedFileModel = ModelType::Import;

// Destroys the model windows when a volume was built, creates them again
// (the render window building as told) and tiles them; the slice views
// follow the new volume.
void RecreateModelWindows(QWidget* frame, VolumeBuild build = VolumeBuild::Build);
// The same for a volume already loaded into the session: model is what
// modelType becomes; the render window builds nothing.
void ShowLoadedVolume(QWidget* frame, ModelType model = kLoadedFileModel);
// A model chosen from the menu: modelType, the windows, the volume shown.
void ChooseModel(QWidget* frame, ModelType model);

}  // namespace calyra::ui
