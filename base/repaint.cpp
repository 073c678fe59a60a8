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

void InvalidateGeometryWindow(bool erase) {
    if (repaintHooks.invalidateGeometryWindow) repaintHooks.invalidateGeometryWindow(erase);
}

void InvalidateRenderWindow(bool erase) {
    if (repaintHooks.invalidateRenderWindow) repaintHooks.invalidateRenderWindow(erase);
}

void RequestRender(bool erase) {
    if (renderRequestHook) renderRequestHook();
    InvalidateRenderWindow(erase);
}

}  // namespace calyra
