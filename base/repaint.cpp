#include "base/repaint.h"

namespace calyra {

RepaintHooks repaintHooks;

namespace {
// Constant-initialised, so an installation from any static initialiser holds.
void (*renderRequestHook)() = nullptr;
}  // namespace

void SetRenderRequestHook(void (*markRenderPending)()) {
    renderRequestHook = markRenderPending;
}

void InvalidateGeometryWindow(Background background) {
    if (repaintHooks.invalidateGeometryWindow) repaintHooks.invalidateGeometryWindow(background);
}

void InvalidateRenderWindow(Background background) {
    if (repaintHooks.invalidateRenderWindow) repaintHooks.invalidateRenderWindow(background);
}

void RequestRender(Background background) {
    if (renderRequestHook) renderRequestHook();
    InvalidateRenderWindow(background);
}

}  // namespace calyra
