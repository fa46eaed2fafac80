#pragma once
// One exception type for every failure the user gets to see. It carries the German text that the
// window's message box shows verbatim. The checked helpers below are how the analysis and drawing
// code turn overflows, bad conversions and divisions by zero into such an error instead of
// undefined behaviour or a silently wrong picture.

#include <cstdint>
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

// 32-bit integer arithmetic that raises "Integerüberlauf" instead of wrapping.
int32_t CheckedAdd(int32_t a, int32_t b);
int32_t CheckedSub(int32_t a, int32_t b);
int32_t CheckedMul(int32_t a, int32_t b);

// Nearest integer, exact halves to the even one; NaN or infinity raise "Ungültige
// Gleitkommaoperation", a value outside the 32-bit range "Fehler bei Bereichsprüfung".
int32_t RoundChecked(double x);
// Drops the fraction, with the same checks.
int32_t TruncChecked(double x);
// a / b with the floating-point unit's two ways of failing: 0/0 (or NaN) is an invalid
// operation, x/0 a division by zero.
double CheckedDiv(double a, double b);

}  // namespace pirolex
