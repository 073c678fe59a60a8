// Numbers read from words the user typed: command-line values and the lines
// of view files. The whole word must be the number, in the C locale.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace calyra {

// A decimal whole number from low to high.
inline std::optional<long long> ParseWholeNumber(const std::string& word, long long low,
                                                 long long high) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || end == word.c_str() || *end != '\0' || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// A number in double; infinities and NaN as strtod reads them, so that the
// caller says whether they count.
inline std::optional<double> ParseDoubleNumber(const std::string& word) {
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') return std::nullopt;
    return value;
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
    char* end = nullptr;
    const float value = std::strtof(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') return std::nullopt;
    return value;
}

}  // namespace calyra
