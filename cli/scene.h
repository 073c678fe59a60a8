// Builds the scene calyra-render renders: volume, settings, geometry.
#pragma once

#include <string>

#include "cli/options.h"
#include "scene/view_file.h"

namespace calyra::cli {

// Builds or imports the volume. Returns false when the import cannot go on
// (a usage error or a refusal); its message has been reported.
bool BuildSceneVolume(const Options& options);
// Applies the view's settings and geometry (with --view), then the explicit
// settings, then the geometry operations in order.
void ApplySettingsAndGeometry(const Options& options);
// The view of the scene as it stands, as a view file's text.
std::string SceneViewText();

}  // namespace calyra::cli
