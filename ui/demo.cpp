#include "ui/demo.h"

#include "resources/command_ids.h"
#include "ui/document.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

constexpr int kSubSteps = 7;
constexpr float kWorldTurn = 0.01f;  // radians about y per sub-step
constexpr float kPlaneTurn = 0.09f;

// Invalidates (erasing) and paints at once. A synchronous paint also flushes
// every other pending repaint inside the same frame, so each window is
// invalidated only right before its own paint: a wire-frame paint must not
// start a render early.
void PaintAtOnce(QWidget* window) {
    InvalidateWindow(window);
    PaintNow(window);
}

// Renders, then redraws the wire-frame, both before returning.
void RenderAndDrawNow() {
    ProgramSession().renderPending = true;
    PaintAtOnce(renderWindow);
    PaintAtOnce(geometryWindow);
}

void MoveViewPlane(const Point3& d) {
    for (Point3& p : ProgramSession().orientation.ViewPlane) p = p + d;
}

}  // namespace

void DemoStep() {
    Session& session = ProgramSession();
    RenderType& renderType = session.settings.renderType;
    for (int i = 0; i < kSubSteps; ++i) {
        RotateWorld(session.orientation, kWorldTurn, 0.0f);
        RotateViewPlaneXYZ(session.orientation, 0.0f, kPlaneTurn, 0.0f);
        session.renderPending = true;
        PaintAtOnce(geometryWindow);
    }

    // The View panel's buttons follow the type; the menu's check mark does not.
    if (IsRadioButtonChecked(viewPanel, RenderTypeCommand(RenderType::Surface))) {
        renderType = RenderType::Transparent;
        CheckRadioButton(viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast,
                         RenderTypeCommand(renderType));
    } else {
        renderType = RenderType::Surface;
        CheckRadioButton(viewPanel, kCtlViewPanelFirst, kCtlViewPanelLast,
                         RenderTypeCommand(renderType));
    }
    PaintAtOnce(renderWindow);
    if (renderType == RenderType::Transparent) return;

    // Cut the volume open: the plane halfway to its target, then back.
    const Point3& centre = session.orientation.ViewPlane[4];
    const Point3& target = session.orientation.ViewPlane[5];
    const Point3 half = 0.5f * (target - centre);
    MoveViewPlane(half);
    RenderAndDrawNow();
    MoveViewPlane(-half);
    RenderAndDrawNow();
}

}  // namespace calyra::ui
