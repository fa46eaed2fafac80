#pragma once
// Which part of a long recording the pictures show. A picture holds kMaxFrames frames (14.6 s at
// 48 kHz) unless the user makes its span shorter or longer (spanFrames below); of a longer
// recording it shows a span of that many, chosen by its start in seconds, on a grid of tenths
// like the window's control. The measurements still see all of it.
//
// The default start puts the loudest moment in the middle of the span: a pass is the loudest
// part of a fly-by recording, so it is on screen without searching. The window and the command
// line use the same functions, so `pirolex render` draws what the window shows.

#include "picture_samples.h"
#include "recording.h"

#include <cstdint>

namespace pirolex {

// Whether the recording is longer than one picture holds, so that a span must be chosen.
bool NeedsSpan(const Recording& recording, int64_t spanFrames = kMaxFrames);

// The frames one picture of the recording shows: all of them, or a span's kMaxFrames. The line
// step is spread over these, so a long recording's span fills the picture as a short recording
// does.
int64_t ShownFrames(const Recording& recording, int64_t spanFrames = kMaxFrames);

// The latest start, in seconds on the 0.1 s grid (rounded down): 0 unless NeedsSpan.
double LatestSpanStart(const Recording& recording, int64_t spanFrames = kMaxFrames);

// The start, on the 0.1 s grid, of the span centred on the 1-second window of the highest RMS
// over all channels (the earliest of equal ones), kept within 0 .. LatestSpanStart.
double LoudestSpanStart(const Recording& recording, int64_t spanFrames = kMaxFrames);

// The first frame of the span that starts at `seconds`: the nearest frame, kept within the
// recording so that the span is whole.
int64_t SpanFirstFrame(const Recording& recording, double seconds, int64_t spanFrames = kMaxFrames);

// The frames of a span `seconds` long: at least kShortestSpanSeconds' worth (or the whole of a
// shorter recording), at most the whole recording.
inline constexpr double kShortestSpanSeconds = 2.0;
int64_t SpanFramesFor(const Recording& recording, double seconds);

}  // namespace pirolex
