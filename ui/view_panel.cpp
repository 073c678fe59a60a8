#include "render/user_settings.h"
#include "ui/command_ids.h"
#include "ui/commands.h"
#include "ui/dialog_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"

namespace calyra::ui {
bool ViewPanelProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            return true;
        case DialogMessage::Refresh:
            CheckRadioButton(&dialog, kCmdRenderTypeFirst, kCmdRenderTypeLast,
                             RenderTypeCommand(renderType));
            return true;
        case DialogMessage::Size:
            viewPanelShown = event.minimised ? 0 : 1;
            return true;
        case DialogMessage::Command:
            if (!IsRenderTypeCommand(event.id)) return false;
            // The radio button has checked itself; the menu follows.
            SelectRenderType(RenderTypeOf(event.id), ViewPanelButtons::Keep);
            return true;
        default:
            return false;
    }
}

}  // namespace calyra::ui
