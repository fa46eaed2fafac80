#pragma once
// The Doppler speed of a plane from the tone heard while it approaches and the tone heard once it
// has passed: v = c (fA - fB) / (fA + fB), with c the speed of sound at the air temperature.

#include <cstdint>
#include <optional>

namespace pirolex {

struct DopplerSpeed {
    double kmh = 0.0;
    // How much the speed changes for one step of resolution in either frequency.
    double resolutionKmh = 0.0;
};

// The program's own formula for the speed of sound in air at a temperature in degrees Celsius
// (tenths count), in m/s: the one every speed of the program is worked out with, from two
// markers or from the fly-by model.
double SpeedOfSound(double temperatureC);
// The same in km/h.
double SoundSpeedKmh(double temperature);

// From half the difference of the two frequencies, their mean and the resolution, all in hertz.
// No speed when the frequencies add up to 0 (symmetric about 0 Hz, or both 0).
std::optional<DopplerSpeed> SpeedFromFrequencies(double halfDifferenceHz, double meanHz,
                                                 double resolutionHz, double temperature);

// The speed from two snapped tones; resolutionKmh is the "±" propagated from both spreads, each
// tone's share added (see the definition for why not in quadrature). No speed when the tones do
// not add up to more than 0 Hz.
std::optional<DopplerSpeed> SpeedFromSnapped(double hzA, double spreadA, double hzB,
                                             double spreadB, double temperature);

}  // namespace pirolex
