// Repaint and render requests from the core to windows that may not exist.
//
// The window side fills the repaint hooks in when its windows exist; the
// renderer's settings install the render-request hook (it sets
// renderPending), so that the geometry can ask for an image without knowing
// the renderer. With no hooks every request does nothing.
#pragma once

namespace calyra {

// Whether the paint that answers a request erases the window's background
// first (Erase), or may keep what is on screen (Keep).
enum class Background { Erase, Keep };

struct RepaintHooks {
    void (*invalidateGeometryWindow)(Background background) = nullptr;
    void (*invalidateRenderWindow)(Background background) = nullptr;
};

extern RepaintHooks repaintHooks;

// Installed once by the owner of renderPending.
void SetRenderRequestHook(void (*markRenderPending)());

void InvalidateGeometryWindow(Background background = Background::Erase);
void InvalidateRenderWindow(Background background = Background::Erase);
// Sets renderPending and invalidates the render window.
void RequestRender(Background background = Background::Erase);

}  // namespace calyra
