#include "picture.h"

#include "level_pass.h"
#include "picture_samples.h"

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
        // One pass over the chosen channels, the filter's carried limit left alone.
        const PassEnd level = RunLevelPass(recording, settings, firstFrame, lineStep, [&](const SpectrumLine& line) {
            DrawSpectrumLine(line, settings.channel, settings, drawing, state.rows);
        }, spanFrames);
        if (level.tooShort) DrawEmptyPicture(settings, drawing);
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
