// The rendering settings the user changes.
#pragma once

#include "render/render_type.h"

namespace calyra {

// RenderImage reads them once at its start.
extern RenderType renderType;
extern float threshold;       // fraction 0..1 of maxValue
extern bool interpolate;      // half-voxel steps, trilinear samples, twice the rays
extern bool gradientShading;  // depth shading after a Surface render
extern bool stereo;           // show a stereo pair
// The one way to ask for a new image: set it and invalidate the render window
// (RequestRender in base/repaint.h does both).
extern bool renderPending;

// Toggle rule for boolean settings: 0 if it was 1, else 1.
inline bool Toggled(bool value) {
    return !value;
}

}  // namespace calyra
