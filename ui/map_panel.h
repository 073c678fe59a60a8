// The Map panel ("Map2"): which object the snap buttons move, the six snap
// buttons, panning and a few keys.
#pragma once

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

bool MapPanelProc(TemplateDialog& dialog, const DialogEvent& event);

}  // namespace calyra::ui
