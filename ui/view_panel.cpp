#include "ui/view_panel.h"

#include "render/settings.h"
#include "ui/dialog_builder.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

constexpr int kSurfaceId = 713;  // 713 + renderType
constexpr int kSliceId = 715;

}  // namespace

bool ViewPanelProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            return true;
        case DialogMessage::Refresh:
            CheckRadioButton(&dialog, kSurfaceId, kSliceId, kSurfaceId + renderType);
            return true;
        case DialogMessage::Size:
            viewPanelShown = event.minimised ? 0 : 1;
            return true;
        case DialogMessage::Command:
            if (event.id < kSurfaceId || event.id > kSliceId) return false;
            // The radio button has checked itself; the menu follows.
            CheckMenuItem(kSurfaceId + renderType, false);
            renderType = event.id - kSurfaceId;
            CheckMenuItem(event.id, true);
            renderPending = true;
            InvalidateWindow(renderWindow, true);
            return true;
        default:
            return false;
    }
}

QDialog* CreateViewPanel(QWidget* frame) {
    auto* panel = new TemplateDialog(resources::kView2Template, frame, ViewPanelProc, true);
    if (resources::kView2Template.style & resources::kDialogVisible) panel->show();
    return panel;
}

}  // namespace calyra::ui
