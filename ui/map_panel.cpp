#include "ui/map_panel.h"

#include "geometry/orientation.h"
#include "render/user_settings.h"
#include "ui/command_ids.h"
#include "ui/dialog_builder.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

void Pan(PanDirection direction) {
    PanViewPlane(direction);
    InvalidateWindow(geometryWindow, true);
}

void Snap(int face) {
    if (grabTarget == 0) {
        SnapWorld(face);
    } else {
        SnapViewPlane(face);
    }
}

// The menu's check mark follows; the View panel's buttons keep their choice.
void NextRenderType() {
    CheckMenuItem(RenderTypeCommand(renderType), false);
    renderType = (renderType + 1) % 3;
    CheckMenuItem(RenderTypeCommand(renderType), true);
    renderPending = true;
    InvalidateWindow(renderWindow, true);
}

bool OnChar(char key) {
    switch (key) {
        case '+':
            Pan(PanDirection::In);
            return true;
        case '-':
            Pan(PanDirection::Out);
            return true;
        case 'P':
        case 'p':
            ScaleEyeDistance(key == 'P', true);
            InvalidateWindow(geometryWindow, true);
            return true;
        case 'R':
        case 'r':
            renderPending = true;
            InvalidateWindow(renderWindow, true);
            return true;
        case 'T':
        case 't':
            NextRenderType();
            return true;
        default:
            return false;
    }
}

bool OnCommand(int id) {
    if (IsSnapPlaneCommand(id)) {
        Snap(id - kCmdSnapPlaneFirst);
        return true;
    }
    switch (id) {
        case kCmdGrabWorld:
            grabTarget = 0;
            return true;
        case kCmdGrabViewPlane:
            grabTarget = 1;
            return true;
        case kCtlPanIn:
            Pan(PanDirection::In);
            return true;
        case kCtlPanOut:
            Pan(PanDirection::Out);
            return true;
        default:
            return false;
    }
}

}  // namespace

bool MapPanelProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            return true;
        case DialogMessage::Refresh:
            CheckRadioButton(&dialog, kCmdGrabWorld, kCmdGrabViewPlane,
                             grabTarget == 0 ? kCmdGrabWorld : kCmdGrabViewPlane);
            return true;
        case DialogMessage::Size:
            mapPanelShown = event.minimised ? 0 : 1;
            return true;
        case DialogMessage::Command:
            return OnCommand(event.id);
        case DialogMessage::Char:
            return OnChar(event.character);
        default:
            return false;
    }
}

QDialog* CreateMapPanel(QWidget* frame) {
    auto* panel = new TemplateDialog(resources::kMap2Template, frame, MapPanelProc, true);
    if (resources::kMap2Template.style & resources::kDialogVisible) panel->show();
    return panel;
}

}  // namespace calyra::ui
