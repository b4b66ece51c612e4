#pragma once

#include <cstdio>
#include <cstdlib>

namespace tovrel::test {

// The ways hosts keep a parameter value between sessions: as text in a printf format of their
// choice (six or seven significant digits, or six decimals), or as the float itself (null).
constexpr const char* kKeptValueFormats[] = {"%g", "%.6g", "%.7g", "%f", nullptr};

inline const char* keptValueName(const char* format) {
    return format ? format : "float";
}

// The value a host gets back after keeping `value` in `format`.
inline float keptValue(const char* format, float value) {
    if (!format)
        return value;
    char text[64];
    std::snprintf(text, sizeof(text), format, static_cast<double>(value));
    return std::strtof(text, nullptr);
}

} // namespace tovrel::test
