#include "ui/shown_view.h"

#include <optional>

#include "scene/view_file.h"
#include "ui/document.h"

namespace calyra::ui {
namespace {

std::optional<ViewState>& RenderedView() {
    static std::optional<ViewState> rendered;
    return rendered;
}

}  // namespace

void RememberRenderedView() {
    RenderedView() = CaptureView(ProgramSession());
}

void ForgetRenderedView() {
    RenderedView().reset();
}

QString ShownViewText() {
    const Session& session = ProgramSession();
    ViewState view = RenderedView() ? *RenderedView() : CaptureView(session);
    view.volume = session.shownVolume;
    // The colours change without a render: the picture shows the current ones.
    view.settings.colourMap = session.settings.colourMap;
    view.settings.displayWindow = session.settings.displayWindow;
    return QString::fromStdString(WriteViewText(view));
}

}  // namespace calyra::ui
