#pragma once
// The colour scale of levels in dB: viridis (matplotlib's perceptually even scale, dark blue
// through green to yellow), shared by the level picture "Pegel" and the rolling picture.

#include <cstdint>

namespace pirolex {

// The colour of t in 0..1 (held there; NaN is the foot), in the canvas's packing: red in the
// low byte.
uint32_t ScaleColour(double t);

// The gain (dB, 0..kHighestLevelGainDb) that puts the scale's top at loudestDb (dB of full scale)
// or just above it, so the loudest bin gets the top colour or nearly.
int32_t AutomaticLevelGainDb(double loudestDb);

}  // namespace pirolex
