// Repaint requests from the core to windows that may not exist.
//
// The window side fills these hooks in when its windows exist; with no
// windows every request does nothing beyond setting renderPending.
#pragma once

namespace calyra {

struct RepaintHooks {
    void (*invalidateGeometryWindow)(bool erase) = nullptr;
    void (*invalidateRenderWindow)(bool erase) = nullptr;
};

extern RepaintHooks repaintHooks;

void InvalidateGeometryWindow(bool erase = true);
void InvalidateRenderWindow(bool erase = true);
// Sets renderPending and invalidates the render window.
void RequestRender(bool erase = true);

}  // namespace calyra
