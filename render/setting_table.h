// Every rendering setting, once: its name, its view-file key, its
// calyra-render option, whether a new volume resets it, and how its value
// is read from and written as words. The view-file reader and writer, the
// option parser and its usage text, the window's toggles and the new-volume
// rule all read this table; adding a setting is one row here (with its
// member of UserSettings) plus its behaviour. Its menu items are keyed by
// Setting in resources/command_ids.h.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/parse_number.h"
#include "render/user_settings.h"

namespace calyra {

struct VolumeStore;

// The transfer function is one setting kept under four keys: its opacity
// points, its colour points, its shading and, while it is an unedited
// preset, the preset's name.
enum class Setting {
    RenderType,
    Threshold,
    Interpolate,
    GradientShading,
    Stereo,
    ColourMap,
    DisplayWindow,
    SliceWindow,
    Crop,
    Clip,
    TfOpacity,
    TfColour,
    TfShading,
    TfPreset,
};

// Reads words into the setting; returns the reason when they are no value
// of it, and then leaves settings as they were. An optional key left out of a
// file is read as no words.
using ReadSetting = std::string (*)(const std::vector<std::string>& words, UserSettings& settings);
// The setting's words as view files keep them (floats bit for bit); "" leaves
// an optional key out.
using WriteSetting = std::string (*)(const UserSettings& settings);
// What a new volume does to the setting.
using NewVolumeRule = void (*)(UserSettings& settings, const VolumeStore& volume);
// Why the setting cannot serve this volume ("" when it can): a crop box
// past its dims, say.
using VolumeCheck = std::string (*)(const UserSettings& settings, const VolumeStore& volume);

// A row whose value takes a number of words it checks itself.
inline constexpr std::size_t kAnyWords = 0;

struct SettingRow {
    Setting setting;
    const char* viewKey;  // its key in view files
    int viewVersion;      // the view-file version that added it; older files read the start value
    std::size_t words;    // how many words its value takes (kAnyWords: the reader counts)
    bool optionalKey;     // may be left out of a file of its version
    ReadSetting read;
    WriteSetting write;
    // calyra-render: the option ("" for none), its words as usage shows them,
    // the word a flag option stands for ("" when it takes words), its help.
    // In the words and help, {types} and {maps} stand for the name lists.
    const char* option;
    const char* optionWords;
    const char* flagWord;
    const char* help;
    // The boolean member a menu item toggles, when it is one.
    bool UserSettings::*toggle;
    NewVolumeRule newVolume;  // null: a new volume keeps it
    VolumeCheck checkVolume;  // null: every value serves every volume
};

namespace setting_rules {
std::string ReadType(const std::vector<std::string>& w, UserSettings& s);
std::string WriteType(const UserSettings& s);
std::string ReadThreshold(const std::vector<std::string>& w, UserSettings& s);
std::string WriteThreshold(const UserSettings& s);
// A flag is 0 or 1.
template <bool UserSettings::*flag>
std::string ReadFlag(const std::vector<std::string>& w, UserSettings& s) {
    const std::optional<long long> v = ParseWholeNumber(w.at(0), 0, 1);
    if (!v) return "is 0 or 1";
    s.*flag = *v != 0;
    return {};
}
template <bool UserSettings::*flag>
std::string WriteFlag(const UserSettings& s) {
    return s.*flag ? "1" : "0";
}
std::string ReadColourMap(const std::vector<std::string>& w, UserSettings& s);
std::string WriteColourMap(const UserSettings& s);
std::string ReadDisplayWindow(const std::vector<std::string>& w, UserSettings& s);
std::string WriteDisplayWindow(const UserSettings& s);
void InterpolationOff(UserSettings& s, const VolumeStore& volume);
std::string ReadSliceWindow(const std::vector<std::string>& w, UserSettings& s);
std::string WriteSliceWindow(const UserSettings& s);
void StartSliceWindowOf(UserSettings& s, const VolumeStore& volume);
std::string ReadCrop(const std::vector<std::string>& w, UserSettings& s);
std::string WriteCrop(const UserSettings& s);
std::string CheckCrop(const UserSettings& s, const VolumeStore& volume);
std::string ReadClip(const std::vector<std::string>& w, UserSettings& s);
std::string WriteClip(const UserSettings& s);
void Uncut(UserSettings& s, const VolumeStore& volume);
std::string ReadTfOpacity(const std::vector<std::string>& w, UserSettings& s);
std::string WriteTfOpacity(const UserSettings& s);
std::string ReadTfColour(const std::vector<std::string>& w, UserSettings& s);
std::string WriteTfColour(const UserSettings& s);
std::string ReadTfShading(const std::vector<std::string>& w, UserSettings& s);
std::string WriteTfShading(const UserSettings& s);
std::string ReadTfPreset(const std::vector<std::string>& w, UserSettings& s);
std::string WriteTfPreset(const UserSettings& s);
void TfFollowsTheVolume(UserSettings& s, const VolumeStore& volume);
}  // namespace setting_rules

inline constexpr SettingRow kSettingRows[] = {
    {Setting::RenderType, "type", 1, 1, false, setting_rules::ReadType, setting_rules::WriteType,
     "--type", "{types}", "", "the rendering type (default surface)", nullptr, nullptr, nullptr},
    {Setting::Threshold, "threshold", 1, 1, false, setting_rules::ReadThreshold,
     setting_rules::WriteThreshold, "--threshold", "F", "",
     "a fraction from 0 to 1 of the largest value", nullptr, nullptr, nullptr},
    // A new volume starts without interpolation.
    {Setting::Interpolate, "interp", 1, 1, false,
     setting_rules::ReadFlag<&UserSettings::interpolate>,
     setting_rules::WriteFlag<&UserSettings::interpolate>, "--interp", "", "1",
     "interpolation on: twice the rays, trilinear samples", &UserSettings::interpolate,
     setting_rules::InterpolationOff, nullptr},
    {Setting::GradientShading, "grad", 1, 1, false,
     setting_rules::ReadFlag<&UserSettings::gradientShading>,
     setting_rules::WriteFlag<&UserSettings::gradientShading>, "--no-grad", "", "0",
     "gradient shading off", &UserSettings::gradientShading, nullptr, nullptr},
    {Setting::Stereo, "stereo", 1, 1, false, setting_rules::ReadFlag<&UserSettings::stereo>,
     setting_rules::WriteFlag<&UserSettings::stereo>, "", "", "", "", &UserSettings::stereo,
     nullptr, nullptr},
    {Setting::ColourMap, "colormap", 2, 1, false, setting_rules::ReadColourMap,
     setting_rules::WriteColourMap, "--colormap", "{maps}", "",
     "how the grey levels are shown (default grey):\nin --out and --size pictures, never in --dump",
     nullptr, nullptr, nullptr},
    {Setting::DisplayWindow, "display-window", 2, 2, false, setting_rules::ReadDisplayWindow,
     setting_rules::WriteDisplayWindow, "--display-window", "LO HI", "",
     "grey levels LO..HI stretched to the full range,\n0 <= LO < HI <= 255 (default 0 255)",
     nullptr, nullptr, nullptr},
    // Every new volume starts with its whole range.
    {Setting::SliceWindow, "slice-window", 3, 2, false, setting_rules::ReadSliceWindow,
     setting_rules::WriteSliceWindow, "--slice-window", "L W", "",
     "with --slices: the panes' level and width in file units\n(default: the whole range)", nullptr,
     setting_rules::StartSliceWindowOf, nullptr},
    // A new volume starts uncut.
    {Setting::Crop, "crop", 3, kAnyWords, false, setting_rules::ReadCrop, setting_rules::WriteCrop,
     "--crop", "X0 X1 Y0 Y1 Z0 Z1", "",
     "render only the cells X0..X1, Y0..Y1, Z0..Z1 (store\nindices, 1 <= X0 <= X1 <= dimX and "
     "likewise)",
     nullptr, setting_rules::Uncut, setting_rules::CheckCrop},
    {Setting::Clip, "clip", 3, kAnyWords, false, setting_rules::ReadClip, setting_rules::WriteClip,
     "--clip", "OX OY OZ NX NY NZ", "",
     "render only where N.(P - O) >= 0, store coordinates,\nN not zero (of --clip and "
     "--cut-at-plane the last counts)",
     nullptr, nullptr, nullptr},
    {Setting::TfOpacity, "tf-opacity", 3, kAnyWords, false, setting_rules::ReadTfOpacity,
     setting_rules::WriteTfOpacity, "", "", "", "", nullptr, nullptr, nullptr},
    {Setting::TfColour, "tf-colour", 3, kAnyWords, false, setting_rules::ReadTfColour,
     setting_rules::WriteTfColour, "", "", "", "", nullptr, nullptr, nullptr},
    {Setting::TfShading, "tf-shading", 3, kAnyWords, false, setting_rules::ReadTfShading,
     setting_rules::WriteTfShading, "", "", "", "", nullptr, nullptr, nullptr},
    // After the points: an unedited preset names itself, and its points
    // follow every new volume's range.
    {Setting::TfPreset, "tf-preset", 3, kAnyWords, true, setting_rules::ReadTfPreset,
     setting_rules::WriteTfPreset, "", "", "", "", nullptr, setting_rules::TfFollowsTheVolume,
     nullptr},
};

// One row per setting, in enum order.
constexpr bool SettingRowsInOrder() {
    for (std::size_t k = 0; k < std::size(kSettingRows); ++k) {
        if (static_cast<std::size_t>(kSettingRows[k].setting) != k) return false;
    }
    return true;
}
static_assert(SettingRowsInOrder(), "one row per setting, in enum order");

constexpr const SettingRow& RowOf(Setting setting) {
    return kSettingRows[static_cast<std::size_t>(setting)];
}

// The row whose calyra-render option is name, if any.
const SettingRow* FindSettingOption(std::string_view name);

// Applies every row's new-volume rule.
void ResetForNewVolume(UserSettings& settings, const VolumeStore& volume);
// Why the settings cannot serve this volume, or "" (the first row's reason,
// naming its key).
std::string CheckForVolume(const UserSettings& settings, const VolumeStore& volume);

// text with {types} and {maps} replaced by the name lists.
std::string WithSettingNameLists(std::string text);

}  // namespace calyra
