#include "runtime_error.h"

#include <cmath>
#include <limits>

namespace pirolex {

namespace msg {
std::string Unsupported(int formatTag, int bits) {
    return "Nicht unterstütztes WAV-Format (Formatkennung " + std::to_string(formatTag) + ", " +
           std::to_string(bits) + " Bit)";
}
std::string IoError(int code) { return "E/A-Fehler " + std::to_string(code); }
}  // namespace msg

void Fail(const std::string& text) { throw RuntimeError(text); }

int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) Fail(msg::kIntOverflow);
    return r;
}

int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) Fail(msg::kIntOverflow);
    return r;
}

int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) Fail(msg::kIntOverflow);
    return r;
}

namespace {
int32_t ToInt32Checked(double whole) {
    if (!std::isfinite(whole)) Fail(msg::kInvalidFloatOp);
    if (whole < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        whole > static_cast<double>(std::numeric_limits<int32_t>::max()))
        Fail(msg::kRangeCheck);
    return static_cast<int32_t>(whole);
}
}  // namespace

int32_t RoundChecked(double x) {
    if (!std::isfinite(x)) Fail(msg::kInvalidFloatOp);
    // nearbyint rounds in the current mode, which nothing in this program changes from the
    // default round-half-to-even.
    return ToInt32Checked(std::nearbyint(x));
}

int32_t TruncChecked(double x) { return ToInt32Checked(std::trunc(x)); }

double CheckedDiv(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) Fail(msg::kInvalidFloatOp);
    if (b == 0.0) Fail(a == 0.0 ? msg::kInvalidFloatOp : msg::kFloatDivByZero);
    return a / b;
}

}  // namespace pirolex
