#include "tone_band.h"

#include "settings.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// Eight bins between the tones: a click's snap searches two bins either side of it, so each
// tone has its own, and one column is an eighth of the Doppler shift.
constexpr double kBinsBetweenTones = 8.0;
constexpr double kRoundingHz = 10.0;
constexpr int32_t kDefaultExponent = 10;  // the pictures' 1024 points

}  // namespace

std::optional<ToneBand> BandAroundTone(double approachHz, double recedeHz, int32_t sampleRate) {
    const double nyquist = sampleRate / 2.0;
    if (!(recedeHz > 0 && approachHz > recedeHz && approachHz < nyquist)) return std::nullopt;
    const double gap = approachHz - recedeHz;
    ToneBand band;
    band.lowHz = std::max(0.0, std::floor((recedeHz - gap) / kRoundingHz) * kRoundingHz);
    band.highHz = std::min(nyquist, std::ceil((approachHz + gap) / kRoundingHz) * kRoundingHz);
    band.fftExponent = kDefaultExponent;
    while (band.fftExponent < kLargestFftExponent &&
           sampleRate / std::ldexp(1.0, band.fftExponent) > gap / kBinsBetweenTones)
        ++band.fftExponent;
    return band;
}

}  // namespace pirolex
