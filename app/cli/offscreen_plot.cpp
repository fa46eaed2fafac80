#include "offscreen_plot.h"

#include "clicked_pair.h"
#include "marker_drawing.h"
#include "picture_span.h"
#include "recording_file.h"
#include "spectrogram_pass.h"
#include "time_axis.h"

namespace pirolex {

std::unique_ptr<OffscreenPlot> LoadPlot(const PlotRequest& request) {
    RecordingFile file = ReadRecordingFile(request.file);
    if (!file.Ok()) throw *file.error;
    auto plot = std::make_unique<OffscreenPlot>();
    plot->recording = std::move(file.recording);
    plot->channels = file.FileChannels();
    const double start = request.start ? *request.start : LoudestSpanStart(plot->recording);
    plot->firstFrame = SpanFirstFrame(plot->recording, start);
    plot->view = ViewForImage(PlotImageSize(request.outerWidth, request.outerHeight));
    return plot;
}

PlotCanvas MakePlotBitmap(const PlotRequest& request) {
    const PlotSize image = PlotImageSize(request.outerWidth, request.outerHeight);
    return PlotCanvas(image.width, image.height);
}

// The window's load recomputes in 2D; any other picture needs a click on the picture's radio
// group after it, with a new line step. The first recompute is not wasted: it leaves the adaptive
// threshold and the canvas's pen mode where the window would have them for the second.
bool DrawPlot(OffscreenPlot& plot, PlotCanvas& canvas, const PlotRequest& request) {
    const int64_t frames = ShownFrames(plot.recording);
    Settings settings = request.settings;
    settings.picture = Picture::k2D;
    PlotEffects none;
    plot.lineStep = LineStep(settings.picture, frames, settings.FftMask());
    PictureEnd end = DrawPicture(plot.recording, settings, plot.lineStep, plot.picture, canvas,
                                 plot.view, none, plot.firstFrame);
    plot.lines = end.lines;
    if (request.settings.picture == Picture::k2D) return end.tooShort;
    settings.picture = request.settings.picture;
    plot.lineStep = LineStep(settings.picture, frames, settings.FftMask());
    end = DrawPicture(plot.recording, settings, plot.lineStep, plot.picture, canvas, plot.view, none,
                      plot.firstFrame);
    plot.lines = end.lines;
    return end.tooShort;
}

Measurement MeasureSpeed(const OffscreenPlot& plot, const PlotCanvas& canvas, const PlotRequest& request) {
    const FrequencyAxis axis = AxisFor(plot.recording, request.settings, plot.view);
    Measurement m;
    m.columnA = axis.NearestColumn(request.frequencyA, canvas.Width());
    m.columnB = axis.NearestColumn(request.frequencyB, canvas.Width());
    m.labelA = FrequencyLabelText(axis, m.columnA);
    m.labelB = FrequencyLabelText(axis, m.columnB);
    const FrequencyAxis::MarkedPair marked = axis.Marked(m.columnA, m.columnB);
    m.speed = SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz, axis.ResolutionHz(),
                                   request.settings.temperature);
    return m;
}

SnappedMeasurement MeasureSnapped(const OffscreenPlot& plot, const PlotRequest& request) {
    const SnapBlocks edges = EdgeLineBlocks(plot.lines, plot.lineStep, plot.firstFrame);
    const Settings& settings = request.settings;
    SnappedMeasurement m;
    const auto snap = [&](std::optional<double> at, const std::vector<int64_t>& edge, double hz,
                          int32_t& line) {
        std::vector<int64_t> blocks = edge;
        if (at) {
            const TimeAxis time{plot.recording.sampleRate, settings.FftSize(), plot.lineStep,
                                plot.firstFrame, plot.lines};
            line = time.NearestLine(*at);
            blocks = BlocksAroundLine(line, plot.lines, plot.lineStep, plot.firstFrame, settings.FftSize());
        }
        return SnapToTone(plot.recording, settings.channel, settings.FftSize(), hz, blocks);
    };
    m.a = snap(request.atA, edges.approach, request.frequencyA, m.lineA);
    m.b = snap(request.atB, edges.recede, request.frequencyB, m.lineB);
    if (!m.a || !m.b) return m;
    m.speed = SpeedFromClickedTones(*m.a, *m.b, settings.temperature);
    return m;
}

}  // namespace pirolex
