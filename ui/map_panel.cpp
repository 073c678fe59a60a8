#include "geometry/orientation.h"
#include "ui/command_ids.h"
#include "ui/common_keys.h"
#include "ui/dialog_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

void Pan(PanDirection direction) {
    PanViewPlane(direction);
    InvalidateWindow(geometryWindow);
}

void Snap(Face face) {
    if (grabTarget == 0) {
        SnapWorld(face);
    } else {
        SnapViewPlane(face);
    }
}

bool OnCommand(int id) {
    if (IsSnapPlaneCommand(id)) {
        Snap(SnapPlaneFace(id));
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
            return HandleCommonKey(event.character, KeyTaker::MapPanel);
        default:
            return false;
    }
}

}  // namespace calyra::ui
