#include "picture.h"

#include "level_pass.h"
#include "level_scale.h"
#include "picture_samples.h"

#include <limits>

namespace pirolex {

namespace {

PictureEnd DrawChannel(int32_t channelIndex, const Recording& recording, int64_t firstFrame,
                       int64_t spanFrames, const Settings& settings, int32_t lineStep,
                       PictureState& state, const Drawing& drawing) {
    const Channel channel = channelIndex == 0 ? Channel::kLeft : Channel::kRight;
    const PictureSamples samples(recording, channelIndex, firstFrame, spanFrames);
    const PassEnd end = RunSpectrogramPass(
        samples, settings, lineStep, state.filterLimit, state.buffers,
        [&](const SpectrumLine& line) { DrawSpectrumLine(line, channel, settings, drawing, state.rows); });
    state.filterLimit = end.filterLimit;
    if (end.tooShort) DrawEmptyPicture(settings, drawing);
    drawing.effects.ShowGauge(false);
    return {end.lines, end.tooShort, end.caption};
}

// The level picture's loudest bin over its lines and within its band (above 0 Hz, whose bin
// holds what is left of the block's offset), in dB of full scale; NaN without a line.
double LoudestLevelDb(const Recording& recording, const Settings& settings, int64_t firstFrame,
                      int64_t spanFrames, int32_t lineStep) {
    const bool whole = settings.bandLowHz == 0 && settings.bandHighHz == 0;
    const double binHz = static_cast<double>(recording.sampleRate) / settings.FftSize();
    double loudest = std::numeric_limits<double>::quiet_NaN();
    RunLevelPass(recording, settings, firstFrame, lineStep, [&](const SpectrumLine& line) {
        for (size_t k = 1; k < line.amplitudes.size(); ++k) {
            const double hz = static_cast<double>(k) * binHz;
            if (!whole && (hz < settings.bandLowHz || hz > settings.bandHighHz)) continue;
            if (!(line.amplitudes[k] <= loudest)) loudest = line.amplitudes[k];
        }
    }, spanFrames);
    return loudest;
}

}  // namespace

FrequencyAxis AxisFor(const Recording& recording, const Settings& settings, const PlotView& view) {
    return FrequencyAxis(recording.sampleRate, settings.TableStride(), view.plotLeft, view.xScale,
                         settings.bandLowHz, settings.bandHighHz);
}

PictureEnd DrawPicture(const Recording& recording, const Settings& settings, int32_t lineStep,
                       PictureState& state, PlotCanvas& canvas, const PlotView& view,
                       PlotEffects& effects, int64_t firstFrame, int64_t spanFrames) {
    const FrequencyAxis axis = AxisFor(recording, settings, view);
    const Drawing drawing{canvas, view, axis, effects};
    canvas.Clear();
    PictureEnd end;
    if (!TraitsOf(settings.picture).lineFilter) {
        // One pass over the chosen channels, the filter's carried limit left alone; an automatic
        // level needs the loudest bin before the first line is coloured, so one pass more.
        Settings shown = settings;
        if (settings.levelAutomatic)
            shown.levelGainDb =
                AutomaticLevelGainDb(LoudestLevelDb(recording, settings, firstFrame, spanFrames, lineStep));
        const PassEnd level = RunLevelPass(recording, shown, firstFrame, lineStep, [&](const SpectrumLine& line) {
            DrawSpectrumLine(line, shown.channel, shown, drawing, state.rows);
        }, spanFrames);
        if (level.tooShort) DrawEmptyPicture(shown, drawing);
        effects.ShowGauge(false);
        effects.PresentPlot();
        return {level.lines, level.tooShort, std::nullopt};
    }
    if (settings.channel != Channel::kRight) end = DrawChannel(0, recording, firstFrame, spanFrames, settings, lineStep, state, drawing);
    if (settings.channel != Channel::kLeft) {
        const std::optional<FilterCaption> leftCaption = end.caption;
        end = DrawChannel(1, recording, firstFrame, spanFrames, settings, lineStep, state, drawing);
        if (!end.caption) end.caption = leftCaption;
    }
    effects.PresentPlot();
    return end;
}

}  // namespace pirolex
