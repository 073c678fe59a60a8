// The View panel ("View2"): the rendering type as three radio buttons.
#pragma once

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

bool ViewPanelProc(TemplateDialog& dialog, const DialogEvent& event);

}  // namespace calyra::ui
