// Builds the scene calyra-render renders: volume, settings, geometry.
#pragma once

#include "cli/options.h"

namespace calyra::cli {

// Builds or imports the volume. Returns false when the import cannot go on
// (a usage error or a refusal); its message has been reported.
bool BuildSceneVolume(const Options& options);
// Applies the settings, then the geometry operations in order.
void ApplySettingsAndGeometry(const Options& options);

}  // namespace calyra::cli
