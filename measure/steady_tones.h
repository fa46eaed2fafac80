#pragma once
// Tones at one pitch through nearly the whole recording: a hum from a generator or the mains, or
// an engine that runs but does not pass. The salience takes them off as background; the tone
// track must also keep their peaks from standing in for the engine's where it passes near them.

#include "harmonic_salience.h"

#include <vector>

namespace pirolex {

// Their pitches in Hz, lowest first.
std::vector<double> SteadyTones(const WhitenedSpectrogram& whitened);

}  // namespace pirolex
