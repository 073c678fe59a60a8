// The About box (template 1002) over its blue ramp.
#pragma once

class QWidget;

namespace calyra::ui {

class TemplateDialog;
struct DialogEvent;

bool AboutDialogProc(TemplateDialog& dialog, const DialogEvent& event);

// The About box, owned by owner, not yet shown; the caller owns it.
TemplateDialog* CreateAboutBox(QWidget* owner);

}  // namespace calyra::ui
