// The rendering settings the user changes.
#pragma once

#include "render/display_map.h"
#include "render/render_type.h"

namespace calyra {

// The rendering settings as one value: a view file keeps one, and
// kStartupSettings holds them as the program starts (the process-wide
// settings and a view file's settings both begin from these).
struct UserSettings {
    RenderType renderType = RenderType::Surface;
    float threshold = 0.1f;
    bool interpolate = false;
    bool gradientShading = true;
    bool stereo = false;
    ColourMap colourMap = ColourMap::Grey;
    DisplayWindow displayWindow;  // 0..255
};
inline constexpr UserSettings kStartupSettings{};

// RenderImage reads them once at its start.
extern RenderType renderType;
extern float threshold;       // fraction 0..1 of maxValue
extern bool interpolate;      // half-voxel steps, trilinear samples, twice the rays
extern bool gradientShading;  // depth shading after a Surface render
extern bool stereo;           // show a stereo pair
// The one way to ask for a new image: set it and invalidate the render window
// (RequestRender in base/repaint.h does both).
extern bool renderPending;

// The process-wide settings (these and colourMap, displayWindow) as one
// value, and a value put in their place.
UserSettings CurrentUserSettings();
void ApplyUserSettings(const UserSettings& settings);

// Toggle rule for boolean settings: 0 if it was 1, else 1.
inline bool Toggled(bool value) {
    return !value;
}

}  // namespace calyra
