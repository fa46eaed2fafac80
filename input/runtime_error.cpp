#include "runtime_error.h"

#include <cmath>

namespace pirolex {

namespace msg {
std::string Unsupported(int formatTag, int bits) {
    return "Nicht unterstütztes WAV-Format (Formatkennung " + std::to_string(formatTag) + ", " +
           std::to_string(bits) + " Bit)";
}
std::string IoError(int code) { return "E/A-Fehler " + std::to_string(code); }
}  // namespace msg

void Fail(const std::string& text) { throw RuntimeError(text); }
void Fail(const char* text) { throw RuntimeError(text); }

double CheckedDiv(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) Fail(msg::kInvalidFloatOp);
    if (b == 0.0) Fail(a == 0.0 ? msg::kInvalidFloatOp : msg::kFloatDivByZero);
    return a / b;
}

}  // namespace pirolex
