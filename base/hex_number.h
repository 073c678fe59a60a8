// Numbers written so that they read back bit for bit: %a of the float or
// double, which strtof / strtod give back exactly.
#pragma once

#include <cstdio>
#include <string>

namespace calyra {

inline std::string Hex(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", value);
    return text;
}

inline std::string Hex(float value) {
    return Hex(static_cast<double>(value));
}

}  // namespace calyra
