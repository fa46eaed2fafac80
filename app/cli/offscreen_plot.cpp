#include "offscreen_plot.h"

#include "marker_drawing.h"
#include "messages.h"
#include "picture_span.h"
#include "recording_file.h"
#include "tone_snap.h"

namespace pirolex {

std::unique_ptr<OffscreenPlot> LoadPlot(const PlotRequest& request, FileDecoder decoder) {
    RecordingFile file = ReadRecordingFile(request.file, decoder);
    if (!file.Ok()) throw *file.error;
    auto plot = std::make_unique<OffscreenPlot>();
    plot->channels = file.FileChannels();
    PictureSession& session = plot->session;
    session.EditSettings() = request.settings;
    session.SetView(ViewForImage(PlotImageSize(request.outerWidth, request.outerHeight)));
    session.SetSpanLength(request.length);
    session.Load(std::move(file.recording), request.start);
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
    PictureSession& session = plot.session;
    PlotEffects none;
    session.ChoosePicture(Picture::k2D);
    PictureEnd end = session.Redraw(canvas, none);
    if (request.settings.picture == Picture::k2D) return end.tooShort;
    session.ChoosePicture(request.settings.picture);
    end = session.Redraw(canvas, none);
    return end.tooShort;
}

namespace {

std::string SpeedLine(const PictureSession& session) {
    const std::optional<MarkerMeasurement> m = session.MarkersMeasured();
    return m ? texts::ClickedSpeedText(m->speed, m->doubts, m->topSpeedKmh) : texts::SpeedText(std::nullopt);
}

}  // namespace

Measurement MeasureSpeed(OffscreenPlot& plot, const PlotCanvas& canvas, const PlotRequest& request) {
    PictureSession& session = plot.session;
    const FrequencyAxis axis = session.Axis();
    Measurement m;
    m.columnA = axis.NearestColumn(request.frequencyA, canvas.Width());
    m.columnB = axis.NearestColumn(request.frequencyB, canvas.Width());
    m.labelA = FrequencyLabelText(axis, m.columnA);
    m.labelB = FrequencyLabelText(axis, m.columnB);
    session.SetMarker(MarkerSide::kA, session.MarkerAtColumn(m.columnA));
    session.SetMarker(MarkerSide::kB, session.MarkerAtColumn(m.columnB));
    m.speed = session.MarkerSpeed();
    m.speedLine = SpeedLine(session);
    return m;
}

SnappedMeasurement MeasureSnapped(OffscreenPlot& plot, const PlotRequest& request) {
    PictureSession& session = plot.session;
    const TimeAxis time = session.Time();
    const SnapBlocks edges = EdgeLineBlocks(time.lines, time.lineStep, time.spanFirst);
    const Settings& settings = session.CurrentSettings();
    SnappedMeasurement m;
    const auto snap = [&](std::optional<double> at, const std::vector<int64_t>& edge, double hz,
                          int32_t& line) {
        std::vector<int64_t> blocks = edge;
        if (at) {
            line = time.NearestLine(*at);
            const int32_t snapFrames =
                SnapBlockFrames(settings.FftSize(), hz, session.GetRecording().sampleRate);
            blocks = BlocksAroundLine(line, time.lines, time.lineStep, time.spanFirst, snapFrames);
        }
        return SnapToTone(session.GetRecording(), settings.channel, settings.FftSize(), hz, blocks);
    };
    m.a = snap(request.atA, edges.approach, request.frequencyA, m.lineA);
    m.b = snap(request.atB, edges.recede, request.frequencyB, m.lineB);
    if (!m.a || !m.b) return m;
    for (const auto& [side, tone] : {std::pair{MarkerSide::kA, *m.a}, std::pair{MarkerSide::kB, *m.b}}) {
        PlacedMarker marker = session.MarkerAtHz(tone.hz, tone.spreadHz);
        marker.clickedTone = tone;
        session.SetMarker(side, marker);
    }
    m.speed = session.MarkerSpeed();
    m.speedLine = SpeedLine(session);
    return m;
}

}  // namespace pirolex
