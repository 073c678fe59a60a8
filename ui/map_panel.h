// The Map panel ("Map2"): which object the snap buttons move, the six snap
// buttons, panning and a few keys.
#pragma once

class QDialog;
class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

bool MapPanelProc(TemplateDialog& dialog, const DialogEvent& event);

// The Map panel, owned by frame, shown as its template says.
QDialog* CreateMapPanel(QWidget* frame);

}  // namespace calyra::ui
