#include "render/user_settings.h"

#include "base/repaint.h"
#include "volume/volume_store.h"

namespace calyra {

RenderType renderType = kStartupSettings.renderType;
float threshold = kStartupSettings.threshold;
bool interpolate = kStartupSettings.interpolate;
bool gradientShading = kStartupSettings.gradientShading;
bool stereo = kStartupSettings.stereo;
bool renderPending = false;

UserSettings CurrentUserSettings() {
    return {renderType, threshold, interpolate, gradientShading, stereo, colourMap, displayWindow};
}

void ApplyUserSettings(const UserSettings& settings) {
    renderType = settings.renderType;
    threshold = settings.threshold;
    interpolate = settings.interpolate;
    gradientShading = settings.gradientShading;
    stereo = settings.stereo;
    colourMap = settings.colourMap;
    displayWindow = settings.displayWindow;
}

namespace {

// Geometry moves and volume builds reach these settings through hooks, so
// the lower layers never include this one.
void MarkRenderPending() {
    renderPending = true;
}
// A new volume starts without interpolation.
void SwitchInterpolationOff() {
    interpolate = false;
}

[[maybe_unused]] const bool kHooksInstalled =
    (SetRenderRequestHook(MarkRenderPending), SetVolumeReplacedHook(SwitchInterpolationOff), true);

}  // namespace

}  // namespace calyra
