#pragma once
// The settings a picture and a measurement are made with: what the window's controls hold and
// what the command line's options set. One value, copied where it is needed.

#include <cstdint>

namespace pirolex {

// The pictures, in the order of the window's radio group.
enum class Picture { k3D, k2D, k1D, kLevel };
inline constexpr int32_t kPictureCount = 4;

// What sets a picture apart, apart from how it is drawn (render/ keeps that, and app/ the
// names): every question the window, the commands and the pass ask of "which picture" is asked
// here, so a new picture is one more row.
struct PictureTraits {
    int32_t lineSteps;     // the span is spread over this many line steps; a line advances four
    bool timeUpwards;      // rows are lines, time upwards: clicks measure, snap, readout, guides
    bool bandDrag;         // the middle button drags a band across its frequency axis
    // Drawn from the filtered 8-bit lines, with the filter's and the phase's controls; otherwise
    // from the 16-bit samples in dB on a colour scale, with its two controls.
    bool lineFilter;
};
const PictureTraits& TraitsOf(Picture picture);
// The channel group: the left channel, the right one, or both in one picture.
enum class Channel { kLeft, kRight, kBoth };
// The magnitude of each bin: approximated as its larger part plus a third of the smaller one, or
// exact, with its phase.
enum class Accuracy { kApproximate, kExact };
// The line filter keeps the bins above a fixed threshold, or adapts its threshold from line to
// line so that about a given number of points per line stay ("const. PPL").
enum class FilterMode { kThreshold, kConstantPoints };

inline constexpr int32_t kSmallestFftExponent = 7;   // 128 points
inline constexpr int32_t kLargestFftExponent = 14;   // 16384 points
// The largest size of the exact table-driven transform; beyond it the pictures use FFTW.
inline constexpr int32_t kLargestTableExponent = 10;  // 1024 points

// What a user may set, the same for the window's controls and every command's options.
struct SettingRange {
    double lowest;
    double highest;
    bool Holds(double value) const { return value >= lowest && value <= highest; }
};
inline constexpr SettingRange kTemperatureRange{-20.0, 40.0};  // degrees Celsius
// A top speed below a walk is no top speed; the window's control has always gone up to 2000.
inline constexpr SettingRange kTopSpeedRange{10.0, 2000.0};  // km/h
// A zoomed band lies between 0 Hz and half the sample rate and is at least this wide: a
// narrower one would spread a bin or two over the whole plot.
inline constexpr double kNarrowestBandHz = 50.0;
constexpr SettingRange BandRange(int32_t sampleRate) { return {0.0, sampleRate / 2.0}; }
// Whether low to high in hertz makes a zoomed band; the top is checked against a rate apart.
constexpr bool BandWideEnough(double lowHz, double highHz) {
    return lowHz >= 0.0 && highHz - lowHz >= kNarrowestBandHz;
}

inline constexpr int32_t kDefaultLevelRangeDb = 90;
inline constexpr int32_t kDefaultLevelGainDb = 0;
inline constexpr int32_t kLowestLevelRangeDb = 20;
inline constexpr int32_t kHighestLevelRangeDb = 150;
inline constexpr int32_t kHighestLevelGainDb = 60;

struct Settings {
    Picture picture;
    Channel channel;
    Accuracy accuracy;
    bool iqPhase;           // colour the 2D picture by phase
    FilterMode filterMode;
    int32_t threshold;      // tenths of the window mean, 0..30 (FilterMode::kThreshold)
    int32_t pointsPerLine;  // 5..50 (FilterMode::kConstantPoints)
    // Air temperature in degrees Celsius, -20..40, to a tenth: the command line's --temp for
    // render and measure. The window's own is its field's value.
    double temperature;
    // The top speed the user believes of the plane ("höchstens"), km/h: a measurement above it
    // is refused (automatic) or called doubtful (two clicks).
    int32_t maxSpeedKmh = 450;
    int32_t fftExponent;    // the FFT size is 2^fftExponent, 128..16384
    // The frequency band the pictures span, in hertz: both 0 for the whole band from 0 Hz to half
    // the sample rate, the default picture. A zoomed band also draws the lowest bins, which the
    // whole band's filter leaves out.
    double bandLowHz = 0;
    double bandHighHz = 0;
    // The level picture's colour scale: it spans levelRangeDb decibels up to levelGainDb below
    // full scale, so a gain brings faint recordings up into the colours.
    int32_t levelRangeDb = kDefaultLevelRangeDb;
    int32_t levelGainDb = kDefaultLevelGainDb;
    // The gain follows the recording instead: the scale's top at its loudest bin in the span and
    // band, so a real tone far below full scale is bright without the user looking for the gain.
    bool levelAutomatic = true;

    int32_t FftSize() const { return int32_t{1} << fftExponent; }
    int32_t FftMask() const { return FftSize() - 1; }
    // Units of the frequency axis per FFT bin (the axis has 1024 over the whole rate): a whole
    // number up to 1024 points, where the transform's tables step through their rows, a
    // fraction above, where several bins share a unit.
    double TableStride() const { return 1024.0 / FftSize(); }
    bool BandZoomed() const { return bandHighHz > bandLowHz; }
};

// What the window shows at start-up and the command line assumes: 2D, links, norm, const. PPL
// with 20 points per line (threshold 20), 15 degrees, 1024 points.
Settings StartupSettings();

}  // namespace pirolex
