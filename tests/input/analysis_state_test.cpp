#include "analysis_state.h"
#include "runtime_error.h"

#include <gtest/gtest.h>

#include <memory>

namespace pirolex {
namespace {

struct FFTSizeCase {
    int32_t exponent;
    int32_t mask;
    int32_t stride;
};

TEST(SetFFTExponent, SetsMaskAndStrideTogether) {
    auto state = std::make_unique<AnalysisState>();
    for (const FFTSizeCase c : {FFTSizeCase{7, 127, 8}, {8, 255, 4}, {9, 511, 2}, {10, 1023, 1}, {7, 127, 8}}) {
        SetFFTExponent(*state, c.exponent);
        EXPECT_EQ(state->FFTExponent, c.exponent);
        EXPECT_EQ(state->FFTMask, c.mask) << c.exponent;
        EXPECT_EQ(state->TableStride, c.stride) << c.exponent;
    }
}

TEST(SetFFTExponent, OverflowingSizeFailsWithoutChangingAnything) {
    auto state = std::make_unique<AnalysisState>();
    SetFFTExponent(*state, 9);
    try {
        SetFFTExponent(*state, 31);
        FAIL() << "2^31 does not fit";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), msg::kIntOverflow);
    }
    EXPECT_EQ(state->FFTExponent, 9);
    EXPECT_EQ(state->FFTMask, 511);
    EXPECT_EQ(state->TableStride, 2);
}

}  // namespace
}  // namespace pirolex
