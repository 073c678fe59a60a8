// Repaint requests from a document to windows that may not exist.
//
// The window side fills the hooks in while its windows exist; with no hooks
// every request does nothing (calyra-render, tests).
#pragma once

#include <functional>

namespace calyra {

// Whether the paint that answers a request erases the window's background
// first (Erase), or may keep what is on screen (Keep).
enum class Background { Erase, Keep };

struct RepaintHooks {
    std::function<void(Background)> invalidateGeometryWindow;
    std::function<void(Background)> invalidateRenderWindow;

    void InvalidateGeometryWindow(Background background = Background::Erase) const {
        if (invalidateGeometryWindow) invalidateGeometryWindow(background);
    }
    void InvalidateRenderWindow(Background background = Background::Erase) const {
        if (invalidateRenderWindow) invalidateRenderWindow(background);
    }
};

}  // namespace calyra
