// The View panel ("View2"): the rendering type as three radio buttons.
#pragma once

class QDialog;
class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

bool ViewPanelProc(TemplateDialog& dialog, const DialogEvent& event);

// The View panel, owned by frame, shown as its template says.
QDialog* CreateViewPanel(QWidget* frame);

}  // namespace calyra::ui
