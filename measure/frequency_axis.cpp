#include "frequency_axis.h"

#include "checked_arithmetic.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace pirolex {

namespace {
constexpr double kHalfUnits = 512.0;
// Label values are whole numbers of a 64-bit integer; a larger one is a range error.
constexpr double kLargestLabel = 9.2e18;
}  // namespace

int32_t FrequencyAxis::EndColumn() const { return RoundChecked(kHalfUnits * xScale_ + plotLeft_); }

double FrequencyAxis::UnitsAt(int32_t x) const {
    return CheckedDiv(CheckedSub(x, plotLeft_), xScale_);
}

int64_t FrequencyAxis::LabelHz(int32_t x) const {
    const double units = CheckedSub(x, plotLeft_);
    // 0.4 rather than 0.5, so the label is the nearest whole number to f + 0.4.
    const double f = CheckedDiv(sampleRate_ / 2.0 / kHalfUnits * units, xScale_) + 0.4;
    const double whole = std::nearbyint(f);
    if (!(std::fabs(whole) < kLargestLabel)) Fail(ErrorCode::kRangeCheck);
    return static_cast<int64_t>(whole);
}

int32_t FrequencyAxis::NearestColumn(double hz, int32_t width) const {
    int32_t best = 1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int32_t x = 1; x < width; ++x) {
        const double distance = std::fabs(static_cast<double>(LabelHz(x)) - hz);
        if (distance < bestDistance) {
            best = x;
            bestDistance = distance;
        }
    }
    return best;
}

int32_t FrequencyAxis::BinColumn(int32_t k, int32_t shift) const {
    return RoundChecked(CheckedMul(k, tableStride_) * xScale_ + plotLeft_ + shift);
}

// (2k - 1) x stride is exact and the scaled midpoint rises with k, so the edges never step back;
// at one column per bin that is exactly its own column.
int32_t FrequencyAxis::BinLeftEdge(int32_t k) const {
    const int32_t halfUnits = CheckedMul(CheckedSub(CheckedMul(2, k), 1), tableStride_);
    return WholeToInt32(std::ceil(halfUnits * xScale_ / 2 + plotLeft_));
}

FrequencyAxis::MarkedPair FrequencyAxis::Marked(int32_t columnA, int32_t columnB) const {
    const double w = UnitHz();
    const int32_t d = std::abs(CheckedSub(columnA, columnB));
    const double halfDifference = CheckedDiv(d, xScale_) * w / 2;
    const double a = UnitsAt(columnA);
    const double b = UnitsAt(columnB);
    return {halfDifference, (a + b) / 2 * w};
}

}  // namespace pirolex
