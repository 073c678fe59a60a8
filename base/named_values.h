// Tables that pair values with their names, and the lookups both ways.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace calyra {

template <typename Value>
struct NamedValue {
    Value value;
    const char* name;
};

// The value called name in table, if any.
template <typename Value>
constexpr std::optional<Value> FindNamed(std::span<const NamedValue<Value>> table,
                                         std::string_view name) {
    for (const NamedValue<Value>& entry : table) {
        if (name == entry.name) return entry.value;
    }
    return std::nullopt;
}

// The name of value in table; nullptr when the table lacks it.
template <typename Value>
constexpr const char* NameIn(std::span<const NamedValue<Value>> table, Value value) {
    for (const NamedValue<Value>& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return nullptr;
}

// The names of table, in order, with separator between them.
template <typename Value>
std::string JoinedNames(std::span<const NamedValue<Value>> table, std::string_view separator) {
    std::string text;
    for (const NamedValue<Value>& entry : table) {
        if (!text.empty()) text += separator;
        text += entry.name;
    }
    return text;
}

}  // namespace calyra
