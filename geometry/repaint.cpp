#include "geometry/repaint.h"

#include "render/settings.h"

namespace calyra {

RepaintHooks repaintHooks;

void InvalidateGeometryWindow(bool erase) {
    if (repaintHooks.invalidateGeometryWindow) repaintHooks.invalidateGeometryWindow(erase);
}

void InvalidateRenderWindow(bool erase) {
    if (repaintHooks.invalidateRenderWindow) repaintHooks.invalidateRenderWindow(erase);
}

void RequestRender(bool erase) {
    renderPending = true;
    InvalidateRenderWindow(erase);
}

}  // namespace calyra
