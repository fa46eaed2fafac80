#pragma once
// The frequency axis of the plot: the one place where a plot column, a frequency and an FFT bin
// are converted into each other. The axis has 512 units from the plot's left edge to its end
// column, a unit being XScale columns wide. Over the whole band the units run from 0 Hz to half
// the sample rate and FFT bin k of an N-point transform lies at unit k x (1024 / N), so one
// frequency lands on one column whatever the FFT size. A zoomed band spreads the same 512 units
// over its own range instead, so a narrow band gets many columns per bin.

#include <cstdint>

namespace pirolex {

class FrequencyAxis {
public:
    // A band of 0, 0 (or any band whose top is not above its bottom) is the whole band.
    // tableStride: units per FFT bin, 1024 / N (a fraction above 1024 points).
    FrequencyAxis(int32_t sampleRate, double tableStride, int32_t plotLeft, double xScale,
                  double bandLowHz = 0, double bandHighHz = 0);

    int32_t PlotLeft() const { return plotLeft_; }
    // The column of the band's top, where the axis ends.
    int32_t EndColumn() const;
    bool Zoomed() const { return zoomed_; }
    // The band's ends in hertz: 0 and half the rate over the whole band.
    double LowHz() const;
    double HighHz() const;

    // The frequency at (fractional) column x, and the fractional column of a frequency; neither
    // is bounded by the band, and neither fails (without a rate or a scale they give infinity
    // or not a number).
    double HzAtColumn(double x) const;
    double ColumnOfHz(double hz) const;

    // Units from the left edge to column x (kFloatDivisionByZero or kInvalidFloatOperation when
    // XScale is 0).
    double UnitsAt(int32_t x) const;
    // The whole number of hertz column x is labelled with: over the whole band the nearest one to
    // its frequency + 0.4, in a zoomed band the nearest one to its frequency.
    int64_t LabelHz(int32_t x) const;
    // The column whose frequency is nearest to hz, among columns 1 .. width - 1; the lower on a
    // tie. Over the whole band this goes by the columns' labels.
    int32_t NearestColumn(double hz, int32_t width) const;

    // The column of bin k's own position; `shift` moves it right by unscaled columns (the 3D
    // picture's depth).
    int32_t BinColumn(int32_t k, int32_t shift = 0) const;
    // The first column of bin k in the 2D picture: the first one at or right of the midpoint
    // between bins k - 1 and k, so each bin covers the columns nearer to it than to its
    // neighbours.
    int32_t BinLeftEdge(int32_t k) const;
    // The frequency of FFT bin k.
    double BinHz(int32_t k) const;

    // One unit in hertz. Over the whole band this is a 1024th of the sample rate, half of what a
    // unit spans: the whole band's marked pair and resolution are all in these half hertz, and
    // the Doppler formula only takes their ratios. A zoomed band's numbers are plain hertz.
    double UnitHz() const;
    // The finest step a marker can resolve in the hertz of UnitHz: one unit, or one FFT bin
    // where a bin is wider.
    double ResolutionHz() const;

    // Two marked columns as the Doppler formula takes them: half the difference of their
    // frequencies and their mean, in the hertz of UnitHz; over the whole band each formed in the
    // order that keeps the speed label's digits what they have always been.
    struct MarkedPair {
        double halfDifferenceHz;
        double meanHz;
    };
    MarkedPair Marked(int32_t columnA, int32_t columnB) const;

private:
    int32_t sampleRate_;
    double tableStride_;
    int32_t plotLeft_;
    double xScale_;
    bool zoomed_;
    double lowHz_;
    double highHz_;
};

}  // namespace pirolex
