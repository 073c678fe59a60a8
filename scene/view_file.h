// View files: everything a render depends on, as text, so that a view
// composed in the window can be rendered again, bit for bit, in batch.
//
// The volume is named by where it came from (a built-in model, a raw import
// with its parameters, a standard file with its open options); settings and
// every World and ViewPlane point are kept exactly (hexadecimal floats).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "geometry/orientation.h"
#include "render/display_map.h"
#include "render/render_type.h"
#include "render/session.h"
#include "render/user_settings.h"
#include "volume/view_volume.h"

namespace calyra {

// The newest format this program writes and reads. Version 2 added the
// colour map and the display window; a version 1 file shows grey, 0..255.
// Version 3 added the slice window, the crop box and clip plane and the
// transfer function; older files read as the start window, uncut, ramp.
inline constexpr int kViewFormatVersion = 3;

struct ViewState {
    ViewVolume volume;
    UserSettings settings;
    Orientation orientation;  // World, ViewPlane, eyeDistance
    std::string program;      // the version that wrote it
};

// The text of a view file.
std::string WriteViewText(const ViewState& view);

// Reads a view file's text; on failure returns nothing and says why in
// error (unknown keys, missing or repeated keys, numbers that are not finite
// or out of range, a newer format version). Nothing is half-read.
std::optional<ViewState> ParseViewText(const std::string& text, std::string& error);

// The session's settings, geometry and where its volume came from.
ViewState CaptureView(const Session& session);
// The same with the volume as given.
ViewState CaptureView(const Session& session, const ViewVolume& volume);
// Sets the session's render settings and puts World, ViewPlane and
// eyeDistance where the view has them.
void ApplyViewSettingsAndGeometry(Session& session, const ViewState& view);

}  // namespace calyra
