#include "ui/panels.h"

#include <QDialog>

#include "ui/dialog_builder.h"
#include "ui/platform.h"
#include "ui/slide_bar.h"

namespace calyra::ui {
namespace {

// The handle goes back to null when the frame takes its panel down with it.
void ForgetOnDestruction(QDialog* panel, QDialog** handle) {
    QObject::connect(panel, &QObject::destroyed, [handle, panel] {
        if (*handle == panel) *handle = nullptr;
    });
}

// Creates the panel into handle, owned by frame and shown as its template says,
// then sends it the refresh message.
void CreatePanel(QDialog*& handle, const resources::DialogTemplate& dialogTemplate, QWidget* frame,
                 DialogProc proc) {
    auto* panel = new TemplateDialog(dialogTemplate, frame, proc, DialogMode::Panel);
    if (dialogTemplate.style & resources::kDialogVisible) panel->show();
    handle = panel;
    ForgetOnDestruction(panel, &handle);
    SendRefreshMessage(panel);
}

template <const RadioPanel& panel>
bool RadioPanelProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            return true;
        case DialogMessage::Refresh:
            CheckRadioButton(&dialog, panel.firstButton, panel.lastButton, panel.checkedButton());
            return true;
        case DialogMessage::Size:
            panel.shown = event.minimised ? 0 : 1;
            return true;
        case DialogMessage::Command:
            return panel.onCommand(event.id);
        case DialogMessage::Char:
            return panel.onCharacter && panel.onCharacter(event.character);
        default:
            return false;
    }
}

}  // namespace

void CreatePanels(QWidget* frame) {
    CreatePanel(viewPanel, resources::kView2Template, frame, RadioPanelProc<kViewPanel>);
    CreatePanel(mapPanel, resources::kMap2Template, frame, RadioPanelProc<kMapPanel>);
    CreatePanel(slideBar, resources::kThrAdjTemplate, frame, SlideBarProc);

    viewPanelShown = 1;
    mapPanelShown = 1;
    slideBarShown = 0;
    slideBar->hide();
}

}  // namespace calyra::ui
