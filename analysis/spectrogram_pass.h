#pragma once
// The spectrogram pass: up to 250 lines of one channel, each taken from the picture's samples,
// scaled, differenced, transformed, normalised and filtered, and handed on at once as a
// SpectrumLine. The pass returns what it ends with; what it carries from one pass to the next
// (the filter limit, the transform's buffers) the caller keeps and hands back.

#include "fft.h"
#include "line_filter.h"
#include "picture_samples.h"
#include "settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace pirolex {

inline constexpr int32_t kMaxLines = 250;

// Frames between two lines of a picture: the recording's frames, less the FFT mask, spread over
// the picture's line steps (400 in 3D, 800 in 2D and the level picture, 200 in 1D); never negative, so a recording shorter than the block
// steps 0 and a smaller FFT size later still starts at its first frame.
int32_t LineStep(Picture picture, int64_t recordingFrames, int32_t fftMask);

// The first frame of line `number` (1-based) of a picture whose span starts at spanFirst: lines
// advance 4 x lineStep frames each.
int64_t LineFirstFrame(int32_t number, int32_t lineStep, int64_t spanFirst);

struct SpectrumLine {
    int32_t number = 0;      // 1 .. 250
    int64_t firstFrame = 0;  // the block's first frame in the recording
    std::span<const double> amplitudes;  // bins 0..N/2-1, normalised and filtered
    // Bins 0..N/2-1: computed in "fein"; in "norm" what the last "fein" line left.
    std::span<const double> phases;
};

using LineHandler = std::function<void(const SpectrumLine&)>;

// The numbers the filter's captions show: the limit the last filtered line started from and the
// range of kept points the adaptation aims at.
struct FilterCaption {
    int32_t limit = 0;
    KeepRange keep;
};

struct PassEnd {
    int32_t filterLimit = kStartFilterLimit;  // carried to the next line, pass and recompute
    int32_t lines = 0;                        // lines handed on
    std::optional<FilterCaption> caption;     // none when no line was filtered
    // The recording holds no complete block: no line at all.
    bool tooShort = false;
};

// One pass over the samples with line step `lineStep` (frames advance 4 x lineStep per line).
// Every line goes to onLine before the next one is computed.
PassEnd RunSpectrogramPass(const PictureSamples& samples, const Settings& settings,
                           int32_t lineStep, int32_t filterLimit, FftBuffers& buffers,
                           const LineHandler& onLine);

}  // namespace pirolex
