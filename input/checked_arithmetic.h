#pragma once
// How the analysis and drawing code turn overflows, bad conversions and divisions by zero into a
// Failure with its code instead of undefined behaviour or a silently wrong picture.

#include "failure.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace pirolex {

// 32-bit integer arithmetic that fails with kIntegerOverflow instead of wrapping. Inline, with
// the failure out of line: the drawing loops call these for every pixel.
inline int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) [[unlikely]] Fail(ErrorCode::kIntegerOverflow);
    return r;
}
inline int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) [[unlikely]] Fail(ErrorCode::kIntegerOverflow);
    return r;
}
inline int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) [[unlikely]] Fail(ErrorCode::kIntegerOverflow);
    return r;
}

// A whole number as a 32-bit integer: NaN or infinity fail with kInvalidFloatOperation, a value
// outside the range with kRangeCheck.
inline int32_t WholeToInt32(double whole) {
    if (!std::isfinite(whole)) [[unlikely]] Fail(ErrorCode::kInvalidFloatOperation);
    if (whole < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        whole > static_cast<double>(std::numeric_limits<int32_t>::max())) [[unlikely]]
        Fail(ErrorCode::kRangeCheck);
    return static_cast<int32_t>(whole);
}

// Nearest integer, exact halves to the even one, with WholeToInt32's checks. nearbyint rounds in
// the current mode, which nothing in this program changes from the default round-half-to-even.
inline int32_t RoundChecked(double x) { return WholeToInt32(std::nearbyint(x)); }
// Drops the fraction, with the same checks.
inline int32_t TruncChecked(double x) { return WholeToInt32(std::trunc(x)); }
// a / b with the floating-point unit's two ways of failing: 0/0 (or NaN) is an invalid
// operation, x/0 a division by zero.
double CheckedDiv(double a, double b);

}  // namespace pirolex
