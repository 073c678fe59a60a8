// The built-in models and the volume builders, by name. The numbers are the
// ones the program has always stored; nothing else may spell them out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/named_values.h"

namespace calyra {

// What the user chose last.
enum class ModelType : std::int32_t {
    Ball = 0,
    Head = 2,
    Import = 3,  // a raw volume file, read through the import dialog
    Hyperboloid = 6,
    Cone = 7,
    Monkey = 8,
    Combined = 9,
};

// Which builder BuildVolume runs.
enum class VolumeSource : std::int32_t {
    Ball = 0,
    Head = 2,
    LargeMath = 25,  // hyperboloid and cone, 128^3
    SmallMath = 26,  // monkey saddle alone and combined with the cone, 64^3
};

// Names in lower case, as calyra-render's --model takes them.
using ModelName = NamedValue<ModelType>;

// Every model a build can make without a file, in the menu's order.
inline constexpr ModelName kBuiltInModels[] = {
    {ModelType::Ball, "ball"},
    {ModelType::Monkey, "monkey"},
    {ModelType::Combined, "combined"},
    {ModelType::Head, "head"},
    {ModelType::Hyperboloid, "hyperboloid"},
    {ModelType::Cone, "cone"},
};

inline constexpr std::span<const ModelName> BuiltInModels() {
    return kBuiltInModels;
}

// The built-in model called name, if any.
inline std::optional<ModelType> FindModel(std::string_view name) {
    return FindNamed(BuiltInModels(), name);
}

// Whether model is one of the enum's: a built-in model or the file import.
inline constexpr bool IsKnownModel(ModelType model) {
    return model == ModelType::Import || NameIn(BuiltInModels(), model) != nullptr;
}

// The name of a built-in model; "import" for the file import, "" for others.
inline const char* NameOf(ModelType model) {
    if (const char* name = NameIn(BuiltInModels(), model)) return name;
    return model == ModelType::Import ? "import" : "";
}

}  // namespace calyra
