// The keys the render window, the geometry window and the Map panel share:
// r and R render, t and T step the rendering type, + and - pan the plane,
// P and p change the perspective; the two model windows also take d (start
// the demonstration) and D (stop it and render). Each window handles its own
// extra keys before or after these.
#pragma once

namespace calyra::ui {

enum class KeyTaker {
    ModelWindow,  // all the shared keys; T moves the View panel's buttons too
    MapPanel,     // no demonstration keys; T leaves the View panel's buttons
};

// Carries out key for taker; false when it is not one of taker's shared keys.
bool HandleCommonKey(char key, KeyTaker taker);

}  // namespace calyra::ui
