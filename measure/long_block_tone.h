#pragma once
// A steady tone read as a person reads it off a zoomed spectrum: in blocks a fifth of a second
// and 60 periods long or longer, where the measurement's own frames of 45 ms hold only 13 periods
// of a 300 Hz engine. Far before and far after a pass the tone barely moves, and the pitch of a
// low tone read in short frames carries a bias of a tenth of a percent that, beside a Doppler
// shift of a few percent, moves the speed by several.

#include "recording.h"

#include <vector>

namespace pirolex {

struct BlockTone {
    double seconds = 0.0;  // the block's centre, from the recording's start
    double hz = 0.0;
};

// The strongest peak within two bins of nearHz in each of the back-to-back blocks between
// fromS and toS (channels summed in power), interpolated between bins; blocks where it does not
// stand 10 dB over the spectrum around it give nothing.
std::vector<BlockTone> ToneInLongBlocks(const Recording& recording, double fromS, double toS, double nearHz);

}  // namespace pirolex
