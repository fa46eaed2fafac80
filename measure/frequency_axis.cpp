#include "frequency_axis.h"

#include "checked_arithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pirolex {

namespace {
constexpr double kHalfUnits = 512.0;
constexpr double kTableUnits = 1024.0;  // units of the whole band's table: the whole rate
// Label values are whole numbers of a 64-bit integer; a larger one is a range error.
constexpr double kLargestLabel = 9.2e18;

int64_t WholeLabel(double f) {
    const double whole = std::nearbyint(f);
    if (!(std::fabs(whole) < kLargestLabel)) Fail(ErrorCode::kRangeCheck);
    return static_cast<int64_t>(whole);
}
}  // namespace

FrequencyAxis::FrequencyAxis(int32_t sampleRate, double tableStride, int32_t plotLeft,
                             double xScale, double bandLowHz, double bandHighHz)
    : sampleRate_(sampleRate),
      tableStride_(tableStride),
      plotLeft_(plotLeft),
      xScale_(xScale),
      zoomed_(bandHighHz > bandLowHz),
      lowHz_(zoomed_ ? bandLowHz : 0.0),
      highHz_(zoomed_ ? bandHighHz : 0.0) {}

int32_t FrequencyAxis::EndColumn() const { return RoundChecked(kHalfUnits * xScale_ + plotLeft_); }

double FrequencyAxis::LowHz() const { return lowHz_; }

double FrequencyAxis::HighHz() const { return zoomed_ ? highHz_ : sampleRate_ / 2.0; }

// Plain division in these two: they never fail, so a ruler or a readout may ask before there is
// a recording or a plot (the answer is then infinite or not a number).
double FrequencyAxis::HzAtColumn(double x) const {
    const double units = (x - plotLeft_) / xScale_;
    if (!zoomed_) return units * sampleRate_ / kTableUnits;
    return lowHz_ + units * (highHz_ - lowHz_) / kHalfUnits;
}

double FrequencyAxis::ColumnOfHz(double hz) const {
    const double units = zoomed_ ? (hz - lowHz_) * kHalfUnits / (highHz_ - lowHz_)
                                 : hz * kTableUnits / sampleRate_;
    return units * xScale_ + plotLeft_;
}

double FrequencyAxis::UnitsAt(int32_t x) const {
    return CheckedDiv(CheckedSub(x, plotLeft_), xScale_);
}

int64_t FrequencyAxis::LabelHz(int32_t x) const {
    if (zoomed_) return WholeLabel(HzAtColumn(x));
    const double units = CheckedSub(x, plotLeft_);
    // 0.4 rather than 0.5, so the label is the nearest whole number to f + 0.4.
    return WholeLabel(CheckedDiv(sampleRate_ / 2.0 / kHalfUnits * units, xScale_) + 0.4);
}

int32_t FrequencyAxis::NearestColumn(double hz, int32_t width) const {
    if (zoomed_) {
        // The lower column on a tie: round halves down.
        const double x = std::ceil(ColumnOfHz(hz) - 0.5);
        const double last = std::max(1, width - 1);
        return static_cast<int32_t>(std::clamp(std::isnan(x) ? 1.0 : x, 1.0, last));
    }
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

double FrequencyAxis::BinHz(int32_t k) const {
    return static_cast<double>(k) * tableStride_ * sampleRate_ / kTableUnits;
}

int32_t FrequencyAxis::BinColumn(int32_t k, int32_t shift) const {
    if (zoomed_) return RoundChecked(ColumnOfHz(BinHz(k)) + shift);
    // k x stride is exact: a whole number up to 1024 points, a power-of-two fraction above.
    return RoundChecked(k * tableStride_ * xScale_ + plotLeft_ + shift);
}

// (2k - 1) x stride is exact and the scaled midpoint rises with k, so the edges never step back;
// at one column per bin that is exactly its own column.
int32_t FrequencyAxis::BinLeftEdge(int32_t k) const {
    if (zoomed_) {
        const double midpoint = (static_cast<double>(k) - 0.5) * tableStride_ * sampleRate_ / kTableUnits;
        return WholeToInt32(std::ceil(ColumnOfHz(midpoint)));
    }
    const double halfUnits = CheckedSub(CheckedMul(2, k), 1) * tableStride_;
    return WholeToInt32(std::ceil(halfUnits * xScale_ / 2 + plotLeft_));
}

double FrequencyAxis::UnitHz() const {
    if (zoomed_) return (highHz_ - lowHz_) / kHalfUnits;
    return sampleRate_ / 2.0 / kTableUnits;
}

double FrequencyAxis::ResolutionHz() const {
    if (zoomed_) return std::max(UnitHz(), BinHz(1));
    return UnitHz() * std::max(1.0, tableStride_);
}

FrequencyAxis::MarkedPair FrequencyAxis::Marked(int32_t columnA, int32_t columnB) const {
    if (zoomed_) {
        const double a = HzAtColumn(columnA);
        const double b = HzAtColumn(columnB);
        return {std::fabs(a - b) / 2, (a + b) / 2};
    }
    const double w = UnitHz();
    const int32_t d = std::abs(CheckedSub(columnA, columnB));
    const double halfDifference = CheckedDiv(d, xScale_) * w / 2;
    const double a = UnitsAt(columnA);
    const double b = UnitsAt(columnB);
    return {halfDifference, (a + b) / 2 * w};
}

}  // namespace pirolex
