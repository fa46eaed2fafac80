#pragma once
// One exception type for every failure the user gets to see. It carries the German text that the
// window's message box shows verbatim. The checked helpers below are how the analysis and drawing
// code turn overflows, bad conversions and divisions by zero into such an error instead of
// undefined behaviour or a silently wrong picture.

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace pirolex {

class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace msg {
inline constexpr const char* kReadPastEnd = "Versuch hinter dem Dateiende zu lesen";
inline constexpr const char* kIntOverflow = "Integerüberlauf";
inline constexpr const char* kDivByZero = "Division durch Null";
inline constexpr const char* kFloatDivByZero = "Gleitkommadivision durch Null";
inline constexpr const char* kInvalidFloatOp = "Ungültige Gleitkommaoperation";
inline constexpr const char* kRangeCheck = "Fehler bei Bereichsprüfung";
inline constexpr const char* kFileNotFound = "Datei nicht gefunden";
inline constexpr const char* kAccessDenied = "Dateizugriff verweigert";
inline constexpr const char* kNotWav = "Keine WAV-Datei";
inline constexpr const char* kNoFormat = "Kein Formatblock in der WAV-Datei";
inline constexpr const char* kNoData = "Kein Datenblock in der WAV-Datei";
inline constexpr const char* kBadFormat = "Ungültiger Formatblock in der WAV-Datei";
// "Nicht unterstütztes WAV-Format (Formatkennung T, B Bit)"
std::string Unsupported(int formatTag, int bits);
// "E/A-Fehler N" for an open error without a text of its own.
std::string IoError(int code);
}  // namespace msg

[[noreturn]] void Fail(const std::string& text);
[[noreturn]] void Fail(const char* text);

// 32-bit integer arithmetic that raises "Integerüberlauf" instead of wrapping. Inline, with
// the failure out of line: the drawing loops call these for every pixel.
inline int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) [[unlikely]] Fail(msg::kIntOverflow);
    return r;
}
inline int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) [[unlikely]] Fail(msg::kIntOverflow);
    return r;
}
inline int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) [[unlikely]] Fail(msg::kIntOverflow);
    return r;
}

namespace detail {
// A whole number as a 32-bit integer: NaN or infinity raise "Ungültige Gleitkommaoperation",
// a value outside the range "Fehler bei Bereichsprüfung".
inline int32_t ToInt32Checked(double whole) {
    if (!std::isfinite(whole)) [[unlikely]] Fail(msg::kInvalidFloatOp);
    if (whole < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        whole > static_cast<double>(std::numeric_limits<int32_t>::max())) [[unlikely]]
        Fail(msg::kRangeCheck);
    return static_cast<int32_t>(whole);
}
}  // namespace detail

// Nearest integer, exact halves to the even one; NaN or infinity raise "Ungültige
// Gleitkommaoperation", a value outside the 32-bit range "Fehler bei Bereichsprüfung".
// nearbyint rounds in the current mode, which nothing in this program changes from the default
// round-half-to-even.
inline int32_t RoundChecked(double x) { return detail::ToInt32Checked(std::nearbyint(x)); }
// Drops the fraction, with the same checks.
inline int32_t TruncChecked(double x) { return detail::ToInt32Checked(std::trunc(x)); }
// a / b with the floating-point unit's two ways of failing: 0/0 (or NaN) is an invalid
// operation, x/0 a division by zero.
double CheckedDiv(double a, double b);

}  // namespace pirolex
