// The three modeless control panels: View ("View2"), Map ("Map2") and the
// Slide Bar ("ThrAdj"). Owned by the frame, created once at start-up.
#pragma once

class QWidget;

namespace calyra::ui {

// Creates viewPanel, mapPanel and slideBar in that order, each owned by the
// frame, and sends each the refresh message right after its creation.
void CreatePanels(QWidget* frame);

}  // namespace calyra::ui
