#pragma once
// Emscripten's C++ library (LLVM 14's libc++) has std::to_chars for integers only; the texts write
// their numbers with it, with a decimal point whatever the locale. The two forms they use, for
// the browser's build alone (included before every source by web/CMakeLists.txt). The module runs
// in the "C" locale always, so printf's point is a point.

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace std {

inline to_chars_result PirolexWrite(char* first, char* last, int written) {
    if (written < 0 || written >= last - first) return {last, errc::value_too_large};
    return {first + written, errc{}};
}

// As printf's "%.*f".
inline to_chars_result to_chars(char* first, char* last, double value, chars_format, int precision) {
    char text[400];
    const int written = std::snprintf(text, sizeof text, "%.*f", precision, value);
    const to_chars_result result = PirolexWrite(first, last, written);
    if (result.ec == errc{}) std::memcpy(first, text, static_cast<size_t>(written));
    return result;
}

// The fewest significant digits that read back as the same value, written fixed or in scientific
// notation, whichever is shorter (fixed on a tie).
inline to_chars_result to_chars(char* first, char* last, double value) {
    char scientific[40];
    int digits = 1;
    for (; digits < 17; ++digits) {
        std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
        if (std::strtod(scientific, nullptr) == value) break;
    }
    int written = std::snprintf(scientific, sizeof scientific, "%.*e", digits - 1, value);
    const int exponent = std::atoi(std::strchr(scientific, 'e') + 1);
    char fixed[400];
    const int decimals = digits - 1 - exponent > 0 ? digits - 1 - exponent : 0;
    const int fixedWritten = std::snprintf(fixed, sizeof fixed, "%.*f", decimals, value);
    const char* text = scientific;
    if (fixedWritten <= written) {
        text = fixed;
        written = fixedWritten;
    }
    const to_chars_result result = PirolexWrite(first, last, written);
    if (result.ec == errc{}) std::memcpy(first, text, static_cast<size_t>(written));
    return result;
}

}  // namespace std
