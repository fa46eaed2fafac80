#pragma once
// The loudness of a whole recording at a glance: its RMS level over all channels in a given
// number of equal stretches, in dB below full scale. The window's overview strip draws it, so that
// the passes of a long take stand out as the loud stretches they are.

#include "recording.h"

#include <vector>

namespace pirolex {

// The level floor: silence and anything quieter read as this.
inline constexpr float kQuietestDb = -90.0f;

// One level per stretch (buckets of them, at least one); an empty recording gives the floor.
std::vector<float> LoudnessOverview(const Recording& recording, int buckets);

}  // namespace pirolex
