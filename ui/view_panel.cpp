#include "render/user_settings.h"
#include "ui/command_ids.h"
#include "ui/commands.h"
#include "ui/dialog_builder.h"
#include "ui/panels.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

int CheckedButton() {
    return RenderTypeCommand(renderType);
}

bool OnCommand(int id) {
    if (!IsRenderTypeCommand(id)) return false;
    // The radio button has checked itself; the menu follows.
    SelectRenderType(RenderTypeOf(id), ViewPanelButtons::Keep);
    return true;
}

}  // namespace

const RadioPanel kViewPanel{viewPanelShown, kCmdRenderTypeFirst, kCmdRenderTypeLast,
                            CheckedButton,  OnCommand,           nullptr};

}  // namespace calyra::ui
