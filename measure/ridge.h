#pragma once
// The tone's course through the salience: the path with one cell per frame that collects the
// most salience, less what its steps cost (Viterbi). A pass only ever lowers the tone, so a
// step down is cheap, though no faster than the fastest pass worth measuring can fall, so that
// the path cannot drop from one harmonic to a lower one at once; a step up comes only from the
// engine's rpm and is costly and small.

#include "harmonic_salience.h"

#include <cstdint>
#include <vector>

namespace pirolex {

// One cell per frame; hopSeconds between frames bounds the fall per step.
std::vector<int32_t> Ridge(const Salience& salience, double hopSeconds);

}  // namespace pirolex
