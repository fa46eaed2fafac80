#include "doppler_speed.h"

#include "checked_arithmetic.h"

#include <cmath>

namespace pirolex {

double SpeedOfSound(double temperatureC) { return std::sqrt(temperatureC + 273.15) * 20.03; }

double SoundSpeedKmh(double temperature) { return 3.6 * SpeedOfSound(temperature); }

// The resolution is the change of v for one resolution step of marker distance: neither marker
// can be placed more finely than the picture resolves the tone.
std::optional<DopplerSpeed> SpeedFromFrequencies(double halfDifferenceHz, double meanHz,
                                                 double resolutionHz, double temperature) {
    const double c = SoundSpeedKmh(temperature);
    if (meanHz == 0.0) return std::nullopt;
    return DopplerSpeed{CheckedDiv(halfDifferenceHz * c, meanHz),
                        CheckedDiv(resolutionHz * c, meanHz) / 2};
}

// v = c (A - B) / (A + B): dv/dA = 2 c B / (A + B)^2 and dv/dB = -2 c A / (A + B)^2. The shares
// add up rather than in quadrature: a spread's largest part is the tone not yet at its approach
// or recede value, and that pulls both tones towards the pass's, both making the speed smaller.
std::optional<DopplerSpeed> SpeedFromSnapped(double hzA, double spreadA, double hzB,
                                             double spreadB, double temperature) {
    const double sum = hzA + hzB;
    if (!(sum > 0.0) || !std::isfinite(sum)) return std::nullopt;
    const double c = SoundSpeedKmh(temperature);
    const double perA = 2 * c * hzB / (sum * sum) * spreadA;
    const double perB = 2 * c * hzA / (sum * sum) * spreadB;
    return DopplerSpeed{c * (hzA - hzB) / sum, std::fabs(perA) + std::fabs(perB)};
}

}  // namespace pirolex
