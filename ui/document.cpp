#include "ui/document.h"

#include "ui/platform.h"

namespace calyra::ui {

Session& ProgramSession() {
    static Session session;
    return session;
}

void StartNewDocument() {
    Session& session = ProgramSession();
    session = Session();
    session.repaint.invalidateGeometryWindow = [](Background background) {
        InvalidateWindow(geometryWindow, background);
    };
    session.repaint.invalidateRenderWindow = [](Background background) {
        InvalidateWindow(renderWindow, background);
    };
}

}  // namespace calyra::ui
