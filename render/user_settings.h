// The rendering settings the user changes.
#pragma once

#include <optional>

#include "render/display_map.h"
#include "render/render_type.h"
#include "render/transfer_function.h"
#include "render/transfer_function_presets.h"
#include "render/volume_cut.h"
#include "render/window_level.h"

namespace calyra {

// The rendering settings as one value: a session holds one and a view file
// keeps one; a new value holds them as the program starts. Which of them a
// new volume resets, how view files and calyra-render spell them:
// render/setting_table.h.
struct UserSettings {
    RenderType renderType = RenderType::Surface;
    float threshold = 0.1f;       // fraction 0..1 of maxValue
    bool interpolate = false;     // half-voxel steps, trilinear samples, twice the rays
    bool gradientShading = true;  // depth shading after a Surface render (and Composite's shading)
    bool stereo = false;          // show a stereo pair
    ColourMap colourMap = ColourMap::Grey;
    DisplayWindow displayWindow;  // 0..255
    WindowLevel sliceWindow;      // file units; every new volume starts its own
    std::optional<CropBox> crop;  // none: the whole volume
    std::optional<ClipPlane> clip;
    // Composite's colours and opacities, in file units.
    TransferFunction transferFunction = DefaultTransferFunction(0.0, 255.0);
    bool operator==(const UserSettings&) const = default;
};

// Toggle rule for boolean settings: 0 if it was 1, else 1.
inline bool Toggled(bool value) {
    return !value;
}

}  // namespace calyra
