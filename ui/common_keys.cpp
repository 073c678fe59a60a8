#include "ui/common_keys.h"

#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/platform.h"
#include "ui/setting_commands.h"

namespace calyra::ui {

bool HandleCommonKey(char key, KeyTaker taker) {
    const bool modelWindow = taker == KeyTaker::ModelWindow;
    Session& session = ProgramSession();
    switch (key) {
        case 'r':
        case 'R':
            RequestRender(session);
            return true;
        case 't':
        case 'T':
            StepRenderType(modelWindow ? ViewPanelButtons::Follow : ViewPanelButtons::Keep);
            return true;
        case '+':
        case '-':
            PanViewPlane(session.orientation, key == '+' ? PanDirection::In : PanDirection::Out);
            InvalidateWindow(geometryWindow);
            RenderLive(LiveView::Motion::Moving);
            return true;
        case 'P':
        case 'p':
            ScaleEyeDistance(session.orientation, key == 'P' ? EyeStep::Farther : EyeStep::Nearer,
                             EyeLimit::Clamped);
            InvalidateWindow(geometryWindow);
            return true;
        case 'd':
            if (!modelWindow) return false;
            demoRunning = 1;
            return true;
        case 'D':
            if (!modelWindow) return false;
            demoRunning = 0;
            RequestRender(session);
            return true;
        default:
            return false;
    }
}

}  // namespace calyra::ui
