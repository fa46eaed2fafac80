// The checked helpers: every failure carries its own code.

#include "checked_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace pirolex {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string MessageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Failure& e) {
        return e.what();
    }
    return "no error";
}

TEST(CheckedInteger, ResultsUpToTheLimits) {
    EXPECT_EQ(CheckedAdd(kMax - 1, 1), kMax);
    EXPECT_EQ(CheckedAdd(kMin, 0), kMin);
    EXPECT_EQ(CheckedSub(kMin + 1, 1), kMin);
    EXPECT_EQ(CheckedSub(-1, kMin), kMax);
    EXPECT_EQ(CheckedMul(46340, 46340), 2147395600);
    EXPECT_EQ(CheckedMul(-1, kMax), -kMax);
}

TEST(CheckedInteger, OverflowFailsWithIntegerOverflow) {
    const std::vector<std::function<void()>> calls = {
        [] { CheckedAdd(kMax, 1); },  [] { CheckedAdd(kMin, -1); }, [] { CheckedSub(kMin, 1); },
        [] { CheckedSub(0, kMin); },  [] { CheckedMul(46341, 46341); }, [] { CheckedMul(-1, kMin); },
        [] { CheckedMul(65536, 32768); },
    };
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(MessageOf(calls[i]), "IntegerOverflow") << i;
}

TEST(RoundChecked, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, int32_t> cases[] = {
        {0.5, 0},   {1.5, 2},   {2.5, 2},   {-0.5, 0},  {-1.5, -2}, {-2.5, -2},
        {2.4999, 2}, {2.5001, 3}, {-7.6, -8}, {2147483646.5, 2147483646}, {-2147483648.5, kMin},
    };
    for (const auto& [x, expected] : cases) EXPECT_EQ(RoundChecked(x), expected) << x;
}

TEST(RoundChecked, OutOfRangeAndNonFiniteFail) {
    EXPECT_EQ(MessageOf([] { RoundChecked(2147483647.5); }), "RangeCheck");
    EXPECT_EQ(MessageOf([] { RoundChecked(-2147483649.0); }), "RangeCheck");
    EXPECT_EQ(MessageOf([] { RoundChecked(1e300); }), "RangeCheck");
    EXPECT_EQ(MessageOf([] { RoundChecked(kNaN); }), "InvalidFloatOperation");
    EXPECT_EQ(MessageOf([] { RoundChecked(kInf); }), "InvalidFloatOperation");
    EXPECT_EQ(MessageOf([] { RoundChecked(-kInf); }), "InvalidFloatOperation");
    EXPECT_EQ(RoundChecked(2147483647.4), kMax);
}

TEST(TruncChecked, DropsTheFractionWithTheSameChecks) {
    EXPECT_EQ(TruncChecked(2.9), 2);
    EXPECT_EQ(TruncChecked(-2.9), -2);
    EXPECT_EQ(TruncChecked(2147483647.9), kMax);
    EXPECT_EQ(TruncChecked(-2147483648.9), kMin);
    EXPECT_EQ(MessageOf([] { TruncChecked(2147483648.0); }), "RangeCheck");
    EXPECT_EQ(MessageOf([] { TruncChecked(kNaN); }), "InvalidFloatOperation");
}

TEST(CheckedDiv, DivisionByZeroAndNaN) {
    EXPECT_DOUBLE_EQ(CheckedDiv(1.0, 4.0), 0.25);
    EXPECT_EQ(MessageOf([] { CheckedDiv(1.0, 0.0); }), "FloatDivisionByZero");
    EXPECT_EQ(MessageOf([] { CheckedDiv(-3.0, -0.0); }), "FloatDivisionByZero");
    EXPECT_EQ(MessageOf([] { CheckedDiv(0.0, 0.0); }), "InvalidFloatOperation");
    EXPECT_EQ(MessageOf([] { CheckedDiv(kNaN, 1.0); }), "InvalidFloatOperation");
    EXPECT_EQ(MessageOf([] { CheckedDiv(1.0, kNaN); }), "InvalidFloatOperation");
}

}  // namespace
}  // namespace pirolex
