#include "resources/accelerator_table.h"

#include "ui/command_ids.h"

namespace calyra::resources {
namespace {

constexpr AcceleratorEntry kCalyraAccel[] = {
    {AccelKind::VirtualKey, kVirtualKeyF2, 0, ui::kCmdHelpContents},
    {AccelKind::VirtualKey, 'Q', kAccelControl, ui::kCmdHelpContents},
    {AccelKind::Character, '?', kAccelAlt, ui::kCmdAbout},
    {AccelKind::Character, '/', kAccelAlt, ui::kCmdAbout},
};

}  // namespace

std::span<const AcceleratorEntry> AcceleratorTable() {
    return kCalyraAccel;
}

}  // namespace calyra::resources
