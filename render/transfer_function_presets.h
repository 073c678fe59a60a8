// The transfer functions the program offers by name. A preset's points that
// span the volume are made from the range the caller gives (lo..hi, file
// units), so the same name fits every volume.
#pragma once

#include <optional>
#include <string_view>

#include "render/transfer_function.h"

namespace calyra {

namespace tf_presets {
TransferFunction Ramp(double lo, double hi);
TransferFunction CtBone(double lo, double hi);
TransferFunction CtSoftTissue(double lo, double hi);
TransferFunction MrDefault(double lo, double hi);
TransferFunction PetHot(double lo, double hi);
}  // namespace tf_presets

// One row per preset, in the order menus and --help offer them: its name
// and how its points are made for a range.
struct TfPresetRow {
    std::string_view name;
    TransferFunction (*make)(double lo, double hi);
};
inline constexpr TfPresetRow kTfPresets[] = {
    {"ramp", tf_presets::Ramp},
    {"ct-bone", tf_presets::CtBone},
    {"ct-soft-tissue", tf_presets::CtSoftTissue},
    {"mr-default", tf_presets::MrDefault},
    {"pet-hot", tf_presets::PetHot},
};

// What the program starts with.
inline constexpr std::string_view kDefaultTransferFunctionPreset = "ramp";

// The preset called name for a volume whose values span lo..hi in file units,
// its name in preset; nothing for an unknown name.
std::optional<TransferFunction> PresetTransferFunction(std::string_view name, double lo, double hi);

// The program's first function: the default preset for lo..hi.
TransferFunction DefaultTransferFunction(double lo, double hi);

// The function to use with a volume of range lo..hi: a preset is made again
// for that range, anything else (edited, read from a file, or naming no
// preset this program has) is returned unchanged.
TransferFunction ForVolume(const TransferFunction& tf, double lo, double hi);

}  // namespace calyra
