// Numbers read from words the user typed: command-line values and the lines
// of view files. The whole word must be the number, in the C locale.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace calyra {

namespace detail {

// What read (a strto* call) makes of word, when it reads all of it and
// something: a word with anything after the number is no number.
template <typename Read>
auto ReadWholeWord(const std::string& word, Read read)
    -> std::optional<decltype(read(word.c_str(), nullptr))> {
    char* end = nullptr;
    const auto value = read(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') return std::nullopt;
    return value;
}

}  // namespace detail

// A decimal whole number from low to high.
inline std::optional<long long> ParseWholeNumber(const std::string& word, long long low,
                                                 long long high) {
    errno = 0;
    const std::optional<long long> value = detail::ReadWholeWord(
        word, [](const char* text, char** end) { return std::strtoll(text, end, 10); });
    if (!value || errno != 0 || *value < low || *value > high) return std::nullopt;
    return value;
}

// A number in double; infinities and NaN as strtod reads them, so that the
// caller says whether they count.
inline std::optional<double> ParseDoubleNumber(const std::string& word) {
    return detail::ReadWholeWord(
        word, [](const char* text, char** end) { return std::strtod(text, end); });
}

// A finite number that strtod reads without leaving the range of double:
// overflow and underflow (ERANGE) are refused, not rounded to infinity or zero.
inline std::optional<double> ParseFiniteDoubleNumber(const std::string& word) {
    errno = 0;
    const std::optional<double> value = ParseDoubleNumber(word);
    if (!value || errno == ERANGE || !std::isfinite(*value)) return std::nullopt;
    return value;
}

// A number rounded once to float (strtof), so that a float written with %a
// comes back bit for bit; infinities and NaN as for ParseDoubleNumber.
inline std::optional<float> ParseFloatNumber(const std::string& word) {
    return detail::ReadWholeWord(
        word, [](const char* text, char** end) { return std::strtof(text, end); });
}

}  // namespace calyra
