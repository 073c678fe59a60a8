// The three modeless control panels: View ("View2"), Map ("Map2") and the
// Slide Bar ("ThrAdj"). Owned by the frame, created once at start-up.
#pragma once

class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

// The View panel ("View2", view_panel.cpp): the rendering type as three radio buttons.
bool ViewPanelProc(TemplateDialog& dialog, const DialogEvent& event);
// The Map panel ("Map2", map_panel.cpp): which object the snap buttons move,
// the six snap buttons, panning and a few keys.
bool MapPanelProc(TemplateDialog& dialog, const DialogEvent& event);

// Creates viewPanel, mapPanel and slideBar in that order, each owned by the
// frame, and sends each the refresh message right after its creation.
void CreatePanels(QWidget* frame);

}  // namespace calyra::ui
