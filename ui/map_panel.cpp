#include "resources/command_ids.h"
#include "ui/common_keys.h"
#include "ui/dialog_builder.h"
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/panels.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

void Pan(PanDirection direction) {
    PanViewPlane(ProgramSession().orientation, direction);
    InvalidateWindow(geometryWindow);
    RenderLive(LiveView::Motion::Moving);
}

void Snap(Face face) {
    if (grabTarget == 0) {
        SnapWorld(ProgramSession(), face);
    } else {
        SnapViewPlane(ProgramSession(), face);
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

int CheckedButton() {
    return grabTarget == 0 ? kCmdGrabWorld : kCmdGrabViewPlane;
}

bool OnCharacter(char key) {
    return HandleCommonKey(key, KeyTaker::MapPanel);
}

}  // namespace

const RadioPanel kMapPanel{mapPanelShown, kCmdGrabWorld, kCmdGrabViewPlane,
                           CheckedButton, OnCommand,     OnCharacter};

}  // namespace calyra::ui
