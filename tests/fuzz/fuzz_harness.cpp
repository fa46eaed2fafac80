#include "fuzz_harness.h"

#include "messages.h"
#include "picture.h"
#include "plot_canvas.h"
#include "spectrogram_pass.h"
#include "wav_reader.h"

#include <memory>

namespace pirolex::fuzz {

namespace {

// FFT size 128: the cheapest transform, and the widest bin spacing on the plot.
constexpr int32_t kFftExponent = 7;
// Small enough to keep a recompute quick, large enough for labels and all 250 rows of 2D.
constexpr int kCanvasWidth = 300;
constexpr int kCanvasHeight = 150;

// What the window has set by the time a file arrives: its start values and "beide".
Settings StartValues() {
    Settings settings = StartupSettings();
    settings.channel = Channel::kBoth;
    settings.fftExponent = kFftExponent;
    return settings;
}

bool Consistent(const WavResult& wav) {
    const Recording& r = wav.recording;
    if (r.sampleRate <= 0 || r.ChannelCount() != static_cast<int32_t>(wav.info.channels)) return false;
    for (const auto& channel : r.channels)
        if (static_cast<int64_t>(channel.size()) != r.FrameCount()) return false;
    const int32_t span = PictureSamples(r, 0).Count();
    return span >= 0 && span <= r.FrameCount() && span <= kMaxFrames;
}

// A click on the picture's radio group: new picture, new line step, recompute at once.
ModeOutcome DrawMode(Picture picture, const Recording& recording, Settings& settings,
                     PictureState& state, PlotCanvas& canvas, const PlotView& view) {
    ModeOutcome result;
    PlotEffects none;  // no pauses, no screen
    try {
        settings.picture = picture;
        const int32_t step = LineStep(picture, recording.FrameCount(), settings.FftMask());
        result.lines = DrawPicture(recording, settings, step, state, canvas, view, none).lines;
    } catch (const Failure& failure) {
        result.error = texts::ErrorText(failure);
    }
    return result;
}

}  // namespace

Outcome RunOneInput(const uint8_t* data, size_t size) {
    Outcome outcome;
    MemorySource source(data, size);
    const WavResult wav = ReadWav(source);
    if (!wav.Ok()) {
        outcome.loadError = texts::ErrorText(*wav.error);
        return outcome;
    }
    outcome.loaded = true;
    outcome.consistent = Consistent(wav);
    if (!outcome.consistent) return outcome;
    // Fresh state per input, so that every finding reproduces from its bytes alone.
    Settings settings = StartValues();
    // A mono load sets the channel group to "links" when it has a frame.
    if (wav.info.channels < 2 && wav.recording.FrameCount() > 0) settings.channel = Channel::kLeft;
    const auto state = std::make_unique<PictureState>();
    PlotCanvas canvas(kCanvasWidth, kCanvasHeight);
    const PlotView view = ViewForImage({kCanvasWidth, kCanvasHeight});
    const Picture pictures[kPictures] = {Picture::k3D, Picture::k2D, Picture::k1D};
    for (int i = 0; i < kPictures; ++i)
        outcome.modes[i] = DrawMode(pictures[i], wav.recording, settings, *state, canvas, view);
    return outcome;
}

}  // namespace pirolex::fuzz
