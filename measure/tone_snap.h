#pragma once
// A marker's tone at full precision: the user clicks near a tone in the picture, whose columns
// are tens of hertz wide and whose levels have 8 bits; the tone itself is read from the
// recording's 16-bit samples, in blocks about the picture's lines that are long enough for the
// tone whatever the picture's FFT size, and its frequency interpolated between bins. The blocks'
// median is the answer, with an uncertainty that owns up to what makes it wrong: the scatter of
// the blocks, a tone still rising or falling inside them, and what the interpolation cannot
// resolve.

#include "recording.h"
#include "settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pirolex {

struct SnappedTone {
    double hz = 0;        // median over the lines that had a peak
    double spreadHz = 0;  // its honest uncertainty (see below)
    int32_t lines = 0;    // lines that had a peak
    // When the lines were heard (the mean of their blocks' centres, s from the recording's
    // start) and how fast the tone changed across them (least squares, Hz/s; 0 from fewer than
    // three lines): what the pair of clicks needs to tell how far each tone still had to go.
    double seconds = 0;
    double slopeHzPerS = 0;
    double slopeErrorHzPerS = 0;  // the slope's standard error from the lines' scatter about it
    // spreadHz without the drift: the lines' scatter (never below the resolvable step), for a
    // pair that reckons with the drift itself.
    double scatterHz = 0;
};

// The strongest spectral peak within about two FFT bins (of the picture's fftSize points: the
// click was made in its columns) of clickedHz, in each of the blocks about the lines whose blocks
// of fftSize frames start at blockStarts, read from the recording's 16-bit samples (not the
// pictures' 8-bit levels) of `channel` (kBoth: the two channels' mean power spectrum),
// interpolated between bins; nothing when no block holds a peak there. The blocks are
// SnapBlockFrames long, centred where the lines' are (moved inside the recording at its ends),
// and no two of them closer than half their length.
//
// A peak counts only where it stands clearly above the noise around it and is not the flank of
// a stronger tone just outside the search; and an answer needs a third of the blocks (at least
// three) to agree that a tone is there, so a click beside every tone gives nothing rather than
// the loudest noise.
//
// spreadHz is the median's standard error from the blocks' scatter (overlapping blocks count as
// the half blocks they span), together with the drift of the tone across them (a fly-by's tone
// keeps changing towards the pass, the engine's rpm wanders), and never less than
// kResolvableBins of a bin of the blocks read.
std::optional<SnappedTone> SnapToTone(const Recording& recording, Channel channel,
                                      int32_t fftSize, double clickedHz,
                                      std::span<const int64_t> blockStarts);

// The finest step the interpolation can vouch for, in bins of the FFT size: its bias on a clean
// tone is below 0.0005 bin from the sixth bin up and reaches 0.002 bin three bins above 0 Hz,
// where the spectrum's mirror image pulls at the peak. The "±" is never smaller than this.
inline constexpr double kResolvableBins = 0.005;

// The blocks the command line snaps in: the lines in the first and the last 15 % of a
// picture's lines (first for the approach, last for the recede), at least one each.
struct SnapBlocks {
    std::vector<int64_t> approach;
    std::vector<int64_t> recede;
};
SnapBlocks EdgeLineBlocks(int32_t lines, int32_t lineStep, int64_t spanFirst);

// The block the snap reads a tone clicked at clickedHz in: the picture's FFT size, or where that
// holds too few of the tone's periods or too short a time to tell its pitch apart from the noise
// and its neighbours, longer (a power of two up to kLongestSnapBlock).
int32_t SnapBlockFrames(int32_t fftSize, double clickedHz, int32_t sampleRate);
inline constexpr int32_t kLongestSnapBlock = 65536;

// Lines on either side of a clicked one that a click's snap reads.
inline constexpr int32_t kSnapLines = 5;

// Lines on either side of a click that the snap reads, for blocks of snapFrames
// (SnapBlockFrames): kSnapLines up to 1024 points. Above, one block reaches over several lines
// and five lines hear hardly more than one block, so it reads as many lines as hear kSnapLines
// blocks on either side: enough of the tone's drift to tell how far it still had to go.
int32_t SnapReach(int32_t snapFrames, int32_t lineStep);

// Where a click snaps: the clicked line (clamped to the picture's 1..lines) and SnapReach lines on
// either side of it, as far as the picture has them; snapFrames: SnapBlockFrames of the click.
std::vector<int64_t> BlocksAroundLine(int32_t clicked, int32_t lines, int32_t lineStep,
                                      int64_t spanFirst, int32_t snapFrames);

// The interpolated frequency of the strongest peak within about two bins of clickedHz in the one
// block from blockStart on, as SnapToTone finds it in each line; nothing when no peak stands out
// there. On its own for checking the interpolation against known tones.
std::optional<double> BlockPeakHz(const Recording& recording, Channel channel, int32_t fftSize,
                                  int64_t blockStart, double clickedHz);

}  // namespace pirolex
