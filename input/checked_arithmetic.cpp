#include "checked_arithmetic.h"

namespace pirolex {

double CheckedDiv(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) Fail(ErrorCode::kInvalidFloatOperation);
    if (b == 0.0) Fail(a == 0.0 ? ErrorCode::kInvalidFloatOperation : ErrorCode::kFloatDivisionByZero);
    return a / b;
}

}  // namespace pirolex
