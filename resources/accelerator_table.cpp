#include "resources/accelerator_table.h"

#include "resources/command_ids.h"

namespace calyra::resources {
namespace {

constexpr AcceleratorEntry kCalyraAccel[] = {
    {AccelKind::VirtualKey, kVirtualKeyF2, 0, ui::kCmdHelpContents},
    {AccelKind::VirtualKey, 'Q', kAccelControl, ui::kCmdHelpContents},
    {AccelKind::VirtualKey, 'O', kAccelControl, ui::kCmdOpenVolume},
    {AccelKind::Character, '?', kAccelAlt, ui::kCmdAbout},
    {AccelKind::Character, '/', kAccelAlt, ui::kCmdAbout},
    {AccelKind::VirtualKey, 'S', kAccelControl, ui::kCmdSaveImage},
    {AccelKind::VirtualKey, 'C', kAccelControl, ui::kCmdCopyImage},
};

}  // namespace

std::span<const AcceleratorEntry> AcceleratorTable() {
    return kCalyraAccel;
}

}  // namespace calyra::resources
