#include "ui/common_keys.h"

#include "base/repaint.h"
#include "geometry/orientation.h"
#include "ui/commands.h"
#include "ui/live_view.h"
#include "ui/platform.h"

namespace calyra::ui {

bool HandleCommonKey(char key, KeyTaker taker) {
    const bool modelWindow = taker == KeyTaker::ModelWindow;
    switch (key) {
        case 'r':
        case 'R':
            RequestRender();
            return true;
        case 't':
        case 'T':
            StepRenderType(modelWindow ? ViewPanelButtons::Follow : ViewPanelButtons::Keep);
            return true;
        case '+':
        case '-':
            PanViewPlane(key == '+' ? PanDirection::In : PanDirection::Out);
            InvalidateWindow(geometryWindow);
            RenderLive(LiveView::Motion::Moving);
            return true;
        case 'P':
        case 'p':
            ScaleEyeDistance(key == 'P' ? EyeStep::Farther : EyeStep::Nearer, EyeLimit::Clamped);
            InvalidateWindow(geometryWindow);
            return true;
        case 'd':
            if (!modelWindow) return false;
            demoRunning = 1;
            return true;
        case 'D':
            if (!modelWindow) return false;
            demoRunning = 0;
            RequestRender();
            return true;
        default:
            return false;
    }
}

}  // namespace calyra::ui
