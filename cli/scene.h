// Builds the scene calyra-render renders: volume, settings, geometry.
#pragma once

#include <string>

#include "cli/options.h"
#include "render/session.h"

namespace calyra::cli {

// Builds or imports the volume into the session, then applies the view's
// settings and geometry (with --view), then the explicit settings, then the
// geometry operations in order. Returns false when the volume cannot be had
// (a usage error or a refusal); its message has been reported.
bool BuildScene(Session& session, const Options& options);

// The view of the session as it stands, as a view file's text.
std::string SceneViewText(const Session& session);

}  // namespace calyra::cli
