// Repaint and render requests from the core to windows that may not exist.
//
// The window side fills the repaint hooks in when its windows exist; the
// renderer's settings install the render-request hook (it sets
// renderPending), so that the geometry can ask for an image without knowing
// the renderer. With no hooks every request does nothing.
#pragma once

namespace calyra {

struct RepaintHooks {
    void (*invalidateGeometryWindow)(bool erase) = nullptr;
    void (*invalidateRenderWindow)(bool erase) = nullptr;
};

extern RepaintHooks repaintHooks;

// Installed once by the owner of renderPending.
void SetRenderRequestHook(void (*markRenderPending)());

void InvalidateGeometryWindow(bool erase = true);
void InvalidateRenderWindow(bool erase = true);
// Sets renderPending and invalidates the render window.
void RequestRender(bool erase = true);

}  // namespace calyra
