#pragma once
// The level picture's pass: the 2D picture's lines, at the same frames and with the same rows, but
// each line the level of every bin in decibels, read from the recording's 16-bit samples at full
// precision rather than the pictures' 8-bit levels, and not filtered. A faint tone in noise keeps
// its few decibels over the floor, which a filter that keeps a fixed number of points per line
// cannot show.

#include "recording.h"
#include "settings.h"
#include "picture_samples.h"
#include "spectrogram_pass.h"

#include <cstdint>

namespace pirolex {

// Lines of N = settings.FftSize() frames from spanFirst on, advancing 4 x lineStep, for as many as
// the 2D pass draws within `frames` (at most kMaxFrames); each block Hann-windowed, its bins
// 0..N/2-1 in dB of full scale, so that a full-scale sine peaks at 0 dB. "beide" averages the two
// channels' power; a channel the recording does not have is silent. Each line's amplitudes are
// those levels; it has no phases.
PassEnd RunLevelPass(const Recording& recording, const Settings& settings, int64_t spanFirst,
                     int32_t lineStep, const LineHandler& onLine, int64_t spanFrames = kMaxFrames);

// The level a silent bin gets, far below any colour scale.
inline constexpr double kSilentLevelDb = -300.0;

}  // namespace pirolex
