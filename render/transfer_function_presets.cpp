#include "render/transfer_function_presets.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <utility>

#include "render/display_map_tables.h"

namespace calyra {
namespace {

constexpr TfShading kMatte{true, 0.2, 0.8, 0.0, 1};
constexpr TfShading kUnlit{false};

}  // namespace

namespace tf_presets {

TransferFunction Ramp(double lo, double hi) {
    return {{{lo, 0.0}, {hi, 0.5}}, {{lo, 0.0, 0.0, 0.0}, {hi, 1.0, 1.0, 1.0}}, kMatte, {}};
}

// Hounsfield units: the CT presets' points do not depend on the range.
TransferFunction CtBone(double, double) {
    return {{{-3024.0, 0.0}, {-16.45, 0.0}, {641.4, 0.716}, {3071.0, 0.706}},
            {{-16.45, 0.73, 0.25, 0.30}, {641.4, 0.91, 0.82, 0.55}, {3071.0, 1.0, 1.0, 1.0}},
            {true, 0.1, 0.9, 0.2, 10},
            {}};
}

TransferFunction CtSoftTissue(double, double) {
    return {{{-2048.0, 0.0}, {-167.0, 0.0}, {-160.0, 1.0}, {240.0, 1.0}, {3661.0, 1.0}},
            {{-160.0, 0.0, 0.0, 0.0}, {240.0, 1.0, 1.0, 1.0}},
            kUnlit,
            {}};
}

TransferFunction MrDefault(double, double) {
    return {{{0.0, 0.0}, {20.0, 0.0}, {40.0, 0.15}, {120.0, 0.3}, {220.0, 0.375}, {1024.0, 0.5}},
            {{0.0, 0.0, 0.0, 0.0}, {1024.0, 1.0, 1.0, 1.0}},
            kMatte,
            {}};
}

// The Hot map's 256 entries spread evenly over the range.
TransferFunction PetHot(double lo, double hi) {
    TransferFunction tf{{{lo, 0.0}, {hi, 0.6}}, {}, kUnlit, {}};
    constexpr std::size_t kCount = std::size(kHotTable);
    tf.colour.reserve(kCount);
    for (std::size_t k = 0; k < kCount; ++k) {
        const double x = lo + (static_cast<double>(k) * (hi - lo)) / 255.0;
        const Rgb8 c = kHotTable[k];
        tf.colour.push_back({x, c.r / 255.0, c.g / 255.0, c.b / 255.0});
    }
    return tf;
}

}  // namespace tf_presets

std::optional<TransferFunction> PresetTransferFunction(std::string_view name, double lo,
                                                       double hi) {
    for (const TfPresetRow& row : kTfPresets) {
        if (row.name != name) continue;
        TransferFunction tf = row.make(lo, hi);
        tf.preset = std::string(row.name);
        return tf;
    }
    return std::nullopt;
}

TransferFunction DefaultTransferFunction(double lo, double hi) {
    return *PresetTransferFunction(kDefaultTransferFunctionPreset, lo, hi);
}

TransferFunction ForVolume(const TransferFunction& tf, double lo, double hi) {
    if (tf.preset.empty()) return tf;
    std::optional<TransferFunction> made = PresetTransferFunction(tf.preset, lo, hi);
    return made ? *std::move(made) : tf;
}

}  // namespace calyra
