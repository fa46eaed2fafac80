#pragma once
// A whole picture: the passes over the chosen channels, each line drawn as it comes, into a
// canvas cleared first. What the spectrogram carries from one picture to the next is a value the
// caller keeps and hands back, so a test can start from any state.

#include "drawing.h"
#include "fft.h"
#include "picture_samples.h"
#include "recording.h"
#include "settings.h"
#include "spectrogram_pass.h"
#include "spectrogram_renderer.h"

#include <cstdint>
#include <optional>

namespace pirolex {

struct PictureState {
    FftBuffers buffers;  // the phases of the last "fein" line live here
    int32_t filterLimit = kStartFilterLimit;
    RowState rows;
};

struct PictureEnd {
    int32_t lines = 0;  // lines of the last pass
    // The last pass had not one complete FFT block: the picture is its frame alone.
    bool tooShort = false;
    std::optional<FilterCaption> caption;  // of the last filtered line, if any
};

// The frequency axis of a picture: the recording's rate, the FFT size's stride, the view's scale.
FrequencyAxis AxisFor(const Recording& recording, const Settings& settings, const PlotView& view);

// "beide" draws the right channel into the picture the left one left (see the pen modes); the
// level picture takes both channels' power in one pass instead. The
// picture shows up to spanFrames frames from firstFrame on (see picture_span.h).
PictureEnd DrawPicture(const Recording& recording, const Settings& settings, int32_t lineStep,
                       PictureState& state, PlotCanvas& canvas, const PlotView& view,
                       PlotEffects& effects, int64_t firstFrame = 0, int64_t spanFrames = kMaxFrames);

}  // namespace pirolex
