// The stereo pair's state and its keys: how far apart the two images are
// cast, and where the second one is shown.
#pragma once

#include <cstdint>

#include "geometry/orientation.h"

namespace calyra::ui {

extern std::int32_t stereoSecondRow;  // client row of the second stereo image
extern std::int32_t shownSecondRow;   // where the second image was last shown
extern std::int32_t stereoMovePending;
extern float stereoSeparation;
extern float stereoConvergence;
// Set and stepped by '[' and ']' but read by nothing: kept as the program
// always had it.
extern float stereoSpare;
extern float stereoShift;  // -(stereoSeparation / stereoConvergence)

// The start values for a client area of width x height.
void ResetStereoForClient(std::int32_t width, std::int32_t height);

// Moves the six ViewPlane points by stereoShift x |ViewPlane[1] - ViewPlane[0]|
// along the plane's first edge (nothing when that edge has length 0).
void ApplyStereoShift(Orientation& o);

// The stereo keys a q s w [ ]: changes the separation (by a pixel of a
// client area clientWidth wide) or the convergence (the brackets the spare
// value). True when a pair on screen must be cast again.
bool ChangeStereoParameter(char key, std::int32_t clientWidth);

}  // namespace calyra::ui
