#include "render/setting_table.h"

#include <cmath>
#include <cstdio>

#include "base/hex_number.h"
#include "base/named_values.h"

namespace calyra {
namespace setting_rules {

// A word that names a row of table, into value.
template <typename Value>
std::string ReadNamed(std::span<const NamedValue<Value>> table, const std::string& word,
                      Value& value) {
    const std::optional<Value> found = FindNamed<Value>(table, word);
    if (!found) return "is one of " + JoinedNames<Value>(table, ", ");
    value = *found;
    return {};
}

std::string ReadType(const std::vector<std::string>& w, UserSettings& s) {
    return ReadNamed<RenderType>(kRenderTypes, w.at(0), s.renderType);
}

// The name of value in table; the table's first for a value outside it.
template <typename Value>
std::string WriteNamed(std::span<const NamedValue<Value>> table, Value value) {
    const char* name = NameIn<Value>(table, value);
    return name ? name : table.front().name;
}

std::string WriteType(const UserSettings& s) {
    return WriteNamed<RenderType>(kRenderTypes, s.renderType);
}

std::string ReadThreshold(const std::vector<std::string>& w, UserSettings& s) {
    const std::optional<float> t = ParseFloatNumber(w.at(0));
    if (!t || !std::isfinite(*t)) return "needs a finite number";
    if (!(*t >= 0.0f && *t <= 1.0f)) return "must lie from 0 to 1";
    s.threshold = *t;
    return {};
}

std::string WriteThreshold(const UserSettings& s) {
    return Hex(s.threshold);
}

std::string ReadColourMap(const std::vector<std::string>& w, UserSettings& s) {
    return ReadNamed<ColourMap>(kColourMaps, w.at(0), s.colourMap);
}

std::string WriteColourMap(const UserSettings& s) {
    return WriteNamed<ColourMap>(kColourMaps, s.colourMap);
}

std::string ReadDisplayWindow(const std::vector<std::string>& w, UserSettings& s) {
    const std::optional<long long> lo = ParseWholeNumber(w.at(0), 0, 255);
    const std::optional<long long> hi = ParseWholeNumber(w.at(1), 0, 255);
    if (!lo || !hi ||
        !IsDisplayWindow(static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi))) {
        return "takes two whole numbers LO HI with 0 <= LO < HI <= 255";
    }
    s.displayWindow = {static_cast<std::int32_t>(*lo), static_cast<std::int32_t>(*hi)};
    return {};
}

std::string WriteDisplayWindow(const UserSettings& s) {
    return std::to_string(s.displayWindow.lo) + " " + std::to_string(s.displayWindow.hi);
}

void InterpolationOff(UserSettings& s, const VolumeStore&) {
    s.interpolate = false;
}

}  // namespace setting_rules

const SettingRow* FindSettingOption(std::string_view name) {
    for (const SettingRow& row : kSettingRows) {
        if (*row.option && name == row.option) return &row;
    }
    return nullptr;
}

void ResetForNewVolume(UserSettings& settings, const VolumeStore& volume) {
    for (const SettingRow& row : kSettingRows) {
        if (row.newVolume) row.newVolume(settings, volume);
    }
}

std::string CheckForVolume(const UserSettings& settings, const VolumeStore& volume) {
    for (const SettingRow& row : kSettingRows) {
        if (!row.checkVolume) continue;
        const std::string reason = row.checkVolume(settings, volume);
        if (!reason.empty()) return std::string(row.viewKey) + " " + reason;
    }
    return {};
}

std::string WithSettingNameLists(std::string text) {
    const std::pair<std::string_view, std::string> lists[] = {
        {"{types}", JoinedNames<RenderType>(kRenderTypes, "|")},
        {"{maps}", JoinedNames<ColourMap>(kColourMaps, "|")},
    };
    for (const auto& [placeholder, list] : lists) {
        for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) {
            text.replace(at, placeholder.size(), list);
        }
    }
    return text;
}

}  // namespace calyra
