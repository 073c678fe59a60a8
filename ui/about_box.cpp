#include "ui/about_box.h"

#include <QLabel>

#include "ui/dialog_builder.h"
#include "ui/platform.h"
#include "ui/ramp_palette.h"

namespace calyra::ui {

bool AboutDialogProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            // Labels keep their own background, so their text stays readable on the ramp.
            for (QLabel* label : dialog.findChildren<QLabel*>()) label->setAutoFillBackground(true);
            if (QWidget* ok = DialogItem(&dialog, kOkId)) ok->setFocus(Qt::OtherFocusReason);
            return false;
        case DialogMessage::Paint:
            PaintRampBackground(&dialog, kRampBlue);
            return true;
        case DialogMessage::Command:
            if (event.id == kOkId || event.id == kCancelId) {
                dialog.EndDialog(kOkId);
                return true;
            }
            return false;
        default:
            return false;
    }
}

TemplateDialog* CreateAboutBox(QWidget* owner) {
    return new TemplateDialog(resources::kAboutTemplate, owner, AboutDialogProc, DialogMode::Modal);
}

}  // namespace calyra::ui
