#pragma once
// Tones at one pitch through nearly the whole recording: a hum from a generator or the mains, or
// an engine that runs but does not pass. The salience takes them off as background; the tone
// track must also keep their peaks from standing in for the engine's where it passes near them.

#include "harmonic_salience.h"
#include "recording.h"

#include <vector>

namespace pirolex {

// Their pitches in Hz, lowest first.
std::vector<double> SteadyTones(const WhitenedSpectrogram& whitened);

// Whether the recording holds a line at one pitch (within a couple of per cent) through nearly
// all of it, however its level beats: a rotor or an engine that stays where it is. Read on
// long frames against the spectrum right beside the line, so a low line stands out even where
// the source's own broadband noise fills the band around it, as it does in the measurement's
// whitened frames. It only tells why there is no pass: it never gives a speed.
bool HoldsLine(const Recording& recording);

// How far (relative) a held line's pitch may wander: a pass slower than kHeldLineWander times the
// speed of sound moves its tone less.
inline constexpr double kHeldLineWander = 0.02;

}  // namespace pirolex
