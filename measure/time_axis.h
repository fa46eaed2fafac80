#pragma once
// The one place where a picture's line, the first frame of its block and a time in seconds are
// converted, beside FrequencyAxis for the other dimension. A line stands for the centre of its
// block: a tone heard at t is strongest in the line whose block is centred on t. The time ruler,
// the cursor readout, the snap at a moment and the fitted curve all ask it, so they cannot part
// by half a block (0.17 s at 16384 points and 48 kHz).

#include <cstdint>

namespace pirolex {

struct TimeAxis {
    int32_t sampleRate = 0;
    int32_t fftSize = 0;
    int32_t lineStep = 0;   // as the pass took it: lines start 4 x lineStep frames apart
    int64_t spanFirst = 0;  // the picture's first frame in the recording
    int32_t lines = 0;      // lines the picture has
    int64_t recordingFrames = 0;  // frames of the whole recording

    // The first frame of line `line` (1-based)'s block.
    int64_t FirstFrame(int32_t line) const;
    // The moment the line stands for, in seconds from the recording's start.
    double Seconds(int32_t line) const;
    // The line (1..lines) whose moment is nearest to `seconds`: the line a click then lands on.
    int32_t NearestLine(double seconds) const;
    // Whether the line's block starts inside the recording.
    bool InRecording(int32_t line) const { return FirstFrame(line) < recordingFrames; }
    // The lines whose whole block lies in what a picture shows from spanFirst on (at most a
    // picture's frames), as the pass draws them.
    int32_t LinesInSpan() const;
};

}  // namespace pirolex
