#include "resources/accelerator_table.h"

namespace calyra::resources {
namespace {

constexpr AcceleratorEntry kCalyraAccel[] = {
    {AccelKind::VirtualKey, kVirtualKeyF2, 0, 905},
    {AccelKind::VirtualKey, 'Q', kAccelControl, 905},
    {AccelKind::VirtualKey, 'O', kAccelControl, 746},
    {AccelKind::Character, '?', kAccelAlt, 900},
    {AccelKind::Character, '/', kAccelAlt, 900},
    {AccelKind::VirtualKey, 'S', kAccelControl, 747},
    {AccelKind::VirtualKey, 'C', kAccelControl, 748},
};

}  // namespace

std::span<const AcceleratorEntry> AcceleratorTable() {
    return kCalyraAccel;
}

}  // namespace calyra::resources
