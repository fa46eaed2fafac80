#pragma once
// The frequency axis of the plot: the one place where a plot column, a frequency and an FFT bin
// are converted into each other. The axis has 512 units from the plot's left edge to half the
// sample rate, a unit being XScale columns wide; FFT bin k of an N-point transform lies at unit
// k x (1024 / N), so one frequency lands on one column whatever the FFT size.

#include <cstdint>

namespace pirolex {

class FrequencyAxis {
public:
    FrequencyAxis(int32_t sampleRate, int32_t tableStride, int32_t plotLeft, double xScale)
        : sampleRate_(sampleRate), tableStride_(tableStride), plotLeft_(plotLeft), xScale_(xScale) {}

    int32_t PlotLeft() const { return plotLeft_; }
    // The column of half the sample rate, where the axis ends.
    int32_t EndColumn() const;

    // Units from the left edge to column x (kFloatDivisionByZero or kInvalidFloatOperation when
    // XScale is 0).
    double UnitsAt(int32_t x) const;
    // The whole number of hertz column x is labelled with: the nearest one to its frequency + 0.4.
    int64_t LabelHz(int32_t x) const;
    // The column whose label is nearest to hz, among columns 1 .. width - 1; the lower on a tie.
    int32_t NearestColumn(double hz, int32_t width) const;

    // The column of bin k's own position; `shift` moves it right by unscaled columns (the 3D
    // picture's depth).
    int32_t BinColumn(int32_t k, int32_t shift = 0) const;
    // The first column of bin k in the 2D picture: the first one at or right of the midpoint
    // between bins k - 1 and k, so each bin covers the columns nearer to it than to its
    // neighbours.
    int32_t BinLeftEdge(int32_t k) const;

    // One unit in hertz: a 1024th of the sample rate.
    double UnitHz() const { return sampleRate_ / 2.0 / 1024.0; }
    // The finest step a marker can resolve in hertz: one unit, or one FFT bin where a bin is wider.
    double ResolutionHz() const { return UnitHz() * tableStride_; }

    // Two marked columns as the Doppler formula takes them: half the difference of their
    // frequencies and their mean, in hertz, each formed in the order that keeps the speed label's
    // digits what they have always been.
    struct MarkedPair {
        double halfDifferenceHz;
        double meanHz;
    };
    MarkedPair Marked(int32_t columnA, int32_t columnB) const;

private:
    int32_t sampleRate_;
    int32_t tableStride_;
    int32_t plotLeft_;
    double xScale_;
};

}  // namespace pirolex
