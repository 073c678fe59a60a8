// The three modeless control panels: View ("View2"), Map ("Map2") and the
// Slide Bar ("ThrAdj"). Owned by the frame, created once at start-up.
#pragma once

#include <cstdint>

class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

// The View and Map panels alike: a radio group that shows a setting, their
// own commands and keys, and whether the panel is shown.
struct RadioPanel {
    std::int32_t& shown;  // 0 while minimised
    int firstButton, lastButton;
    int (*checkedButton)();
    bool (*onCommand)(int id);
    bool (*onCharacter)(char key);  // null: the panel takes no keys
};

// The View panel ("View2", view_panel.cpp): the rendering type as three radio buttons.
extern const RadioPanel kViewPanel;
// The Map panel ("Map2", map_panel.cpp): which object the snap buttons move,
// the six snap buttons, panning and a few keys.
extern const RadioPanel kMapPanel;

// Creates viewPanel, mapPanel and slideBar in that order, each owned by the
// frame, and sends each the refresh message right after its creation.
void CreatePanels(QWidget* frame);

}  // namespace calyra::ui
