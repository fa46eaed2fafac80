// The measuring markers: kept as frequencies, snapped to a tone's peak on request, drawn with the
// harmonic guides and the automatic measurement's curve over a clean copy of the picture, and
// the speed they give.
#include "main_window.h"

#include "clicked_pair.h"
#include "fitted_curve.h"
#include "marker_drawing.h"
#include "messages.h"
#include "picture_samples.h"
#include "spectrogram_renderer.h"
#include "tone_snap.h"
#include "widgets.h"
#include "window_effects.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pirolex {

namespace {

// The axis a marker was placed on.
FrequencyAxis PlacedAxis(const Recording& recording, const PlacedMarker& marker) {
    return AxisFor(recording, marker.settings, marker.view);
}

// Whether two frames put every frequency on the same column.
bool SameColumns(const PlotView& viewA, const Settings& settingsA, const PlotView& viewB,
                 const Settings& settingsB) {
    return viewA.plotLeft == viewB.plotLeft && viewA.xScale == viewB.xScale &&
           settingsA.bandLowHz == settingsB.bandLowHz && settingsA.bandHighHz == settingsB.bandHighHz;
}

// The column of a fractional one. A marker far outside the plot is still kept, on a column the
// canvas clips.
int32_t WholeColumn(double x) {
    if (std::isnan(x)) return 0;
    return static_cast<int32_t>(std::clamp(std::nearbyint(x), -1.0e6, 1.0e6));
}

// A marker's resolution in plain hertz. The axis states it in the hertz of its unit, which over
// the whole band are half hertz; the speed only takes ratios, so that only matters where the
// frequencies come from elsewhere.
double PlainResolutionHz(const FrequencyAxis& axis) {
    const double hzPerUnit = (axis.HighHz() - axis.LowHz()) / 512.0;
    return axis.ResolutionHz() / axis.UnitHz() * hzPerUnit;
}

}  // namespace

PlacedMarker TPirolex::MarkerAtColumn(int32_t x) const {
    const WindowState& state = *state_;
    PlacedMarker marker;
    marker.settings = CurrentSettings();
    marker.view = state.view;
    marker.column = x;
    marker.hz = AxisFor(state.recording, marker.settings, marker.view).HzAtColumn(x);
    return marker;
}

// A marker at a frequency found rather than clicked: on the column nearest to it.
PlacedMarker TPirolex::MarkerAtHz(double hz, double spreadHz) const {
    PlacedMarker marker;
    marker.settings = CurrentSettings();
    marker.view = state_->view;
    marker.hz = hz;
    marker.spreadHz = spreadHz;
    marker.column =
        WholeColumn(AxisFor(state_->recording, marker.settings, marker.view).ColumnOfHz(hz));
    return marker;
}

int32_t TPirolex::ColumnOf(const PlacedMarker& marker) const {
    const WindowState& state = *state_;
    if (SameColumns(marker.view, marker.settings, state.view, state.settings)) return marker.column;
    return WholeColumn(AxisFor(state.recording, state.settings, state.view).ColumnOfHz(marker.hz));
}

int32_t TPirolex::MarkerColumn(MarkerSide side) const {
    const std::optional<PlacedMarker>& marker =
        side == MarkerSide::kA ? state_->markerA : state_->markerB;
    return marker ? ColumnOf(*marker) : 0;
}

// Two clicks made in the same frame keep the column arithmetic the speed label has always used;
// anything else is worked out from the frequencies.
std::optional<DopplerSpeed> TPirolex::MarkedSpeed(const PlacedMarker& a, const PlacedMarker& b) const {
    const Recording& recording = state_->recording;
    const double temperature = ui_.SpinEdit1->value();
    if (a.clickedTone && b.clickedTone)
        return SpeedFromClickedTones(*a.clickedTone, *b.clickedTone, temperature);
    if (a.Snapped() && b.Snapped())
        return SpeedFromSnapped(a.hz, *a.spreadHz, b.hz, *b.spreadHz, temperature);
    if (!a.Snapped() && !b.Snapped() && SameColumns(a.view, a.settings, b.view, b.settings)) {
        const FrequencyAxis axisA = PlacedAxis(recording, a);
        const FrequencyAxis::MarkedPair marked = axisA.Marked(a.column, b.column);
        const double resolution =
            std::max(axisA.ResolutionHz(), PlacedAxis(recording, b).ResolutionHz());
        return SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz, resolution, temperature);
    }
    double resolution = 0.0;
    for (const PlacedMarker* m : {&a, &b}) {
        const double own = m->Snapped() ? *m->spreadHz : PlainResolutionHz(PlacedAxis(recording, *m));
        resolution = std::max(resolution, own);
    }
    return SpeedFromFrequencies(std::fabs(a.hz - b.hz) / 2, (a.hz + b.hz) / 2, resolution, temperature);
}

// The speed as it has always been shown, and what makes it doubtful: above the top speed, B on
// another harmonic than A, or a click the snap could not place.
void TPirolex::ShowSpeed() {
    const WindowState& state = *state_;
    if (!state.markerA || !state.markerB) return;
    const PlacedMarker& a = *state.markerA;
    const PlacedMarker& b = *state.markerB;
    const std::optional<DopplerSpeed> speed = MarkedSpeed(a, b);
    const int32_t top = ui_.TopSpeedEdit->value();
    const ClickDoubts doubts =
        DoubtsAbout(a.hz, b.hz, speed ? std::optional<double>(speed->kmh) : std::nullopt, top,
                    a.snapMissed, b.snapMissed);
    SetSpeedLabel(texts::ClickedSpeedText(speed, doubts, top));
}

// What the label shows for the measurement standing: the automatic one, the markers' speed, or
// nothing while a pair is incomplete.
void TPirolex::ShowMeasurement() {
    const WindowState& state = *state_;
    if (state.autoSpeed)
        SetSpeedLabel(texts::WindowAutoSpeedText(*state.autoSpeed));
    else if (state.markerA && state.markerB)
        ShowSpeed();
    else
        SetSpeedLabel("");
}

void TPirolex::KeepCleanPicture() {
    cleanPlot_ = canvas_;
}

// The overlay goes onto a fresh copy of the clean picture each time, so moving a marker leaves
// the trace under its old place as it was. The pen, as the picture left it, is where the next
// picture starts from, so the overlay hands it back unchanged.
void TPirolex::DrawOverlay() {
    if (!cleanPlot_) return;
    DrawOverlayPixels();
    canvas_.SetPenMode(cleanPlot_->Mode());
    canvas_.SetPenColor(cleanPlot_->PenColor());
    canvas_.SetFontColor(cleanPlot_->FontColor());
}

void TPirolex::DrawOverlayPixels() {
    if (cleanPlot_->Width() != canvas_.Width() || cleanPlot_->Height() != canvas_.Height())
        cleanPlot_->Resize(canvas_.Width(), canvas_.Height());
    canvas_ = *cleanPlot_;
    const WindowState& state = *state_;
    if (!TraitsOf(state.settings.picture).timeUpwards || state.recording.sampleRate <= 0) {
        canvas_.Present();
        return;
    }
    const FrequencyAxis axis = AxisFor(state.recording, state.settings, state.view);
    const Drawing drawing{canvas_, state.view, axis, *effects_};
    if (state.markerA) DrawHarmonicGuides(drawing, state.markerA->hz);
    const auto mark = [&](const std::optional<PlacedMarker>& marker, uint32_t colour)
        -> std::optional<MarkerMark> {
        if (!marker) return std::nullopt;
        const int32_t column = ColumnOf(*marker);
        const std::string label = marker->Snapped() ? texts::SnappedMarkerLabel(marker->hz)
                                                    : FrequencyLabelText(axis, column);
        return MarkerMark{column, colour, label};
    };
    DrawMarkers(drawing, mark(state.markerA, kMarkerGreen), mark(state.markerB, kMarkerRed));
    // Last, so that it shows along the trace: before the pass it runs on marker A's line, after
    // it on marker B's.
    if (state.autoSpeed && state.autoSpeed->Answered() && state.autoSpeed->track.Size() > 0) {
        // A long recording's picture shows a span: its lines start at the span's first frame,
        // while the fit's times count from the recording's start.
        const int64_t shown =
            std::min<int64_t>(state.recording.FrameCount() - state.spanFirst, kMaxFrames);
        const LineTimes lines{state.recording.sampleRate, state.spanFirst, shown, state.lineStep,
                              state.settings.FftSize()};
        const FlybyModel model = state.autoSpeed->model;
        DrawFittedCurve(drawing, lines, [&model](double t) { return model.FrequencyAt(t); },
                        state.autoSpeed->track.times.front(), state.autoSpeed->track.times.back());
    }
}

// Only loading another recording clears the measurement.
void TPirolex::ClearMeasurement() {
    WindowState& state = *state_;
    state.markerA.reset();
    state.markerB.reset();
    state.autoSpeed.reset();
    state.history.clear();
    cleanPlot_.reset();
    SetSpeedLabel("");
    // The band stays as far as it lies within the new recording's rate.
    if (!SetBand(state.settings.bandLowHz, state.settings.bandHighHz)) SetBand(0.0, 0.0);
}

// The tone is looked for in the lines around the clicked row, where the user saw it; a click
// below or above the lines takes the nearest ones. Without a tone there the marker stays where
// it was clicked, and says so.
void TPirolex::SnapMarker(PlacedMarker& marker, int32_t y) const {
    const WindowState& state = *state_;
    marker.snapMissed = true;
    if (state.lines < 1) return;
    const std::vector<int64_t> blockStarts = BlocksAroundLine(
        LineAtRow(state.view, y), state.lines, state.lineStep, state.spanFirst, marker.settings.FftSize());
    const std::optional<SnappedTone> tone = SnapToTone(
        state.recording, marker.settings.channel, marker.settings.FftSize(), marker.hz, blockStarts);
    if (!tone) return;
    marker = MarkerAtHz(tone->hz, tone->spreadHz);
    marker.clickedTone = tone;
}

// Each click and each automatic measurement can be taken back with Strg+Z, one after the other.
void TPirolex::RememberMeasurement() {
    WindowState& state = *state_;
    constexpr size_t kMostSteps = 100;
    if (state.history.size() >= kMostSteps) state.history.erase(state.history.begin());
    state.history.push_back({state.markerA, state.markerB, state.autoSpeed.has_value()});
}

void TPirolex::TakeBackLastMarker() {
    Guard([this] {
        WindowState& state = *state_;
        if (state.history.empty()) return;
        const MeasurementStep step = state.history.back();
        state.history.pop_back();
        state.markerA = step.markerA;
        state.markerB = step.markerB;
        state.autoSpeed.reset();
        // The automatic measurement is made again rather than kept: the temperature or the top
        // speed may have changed since.
        if (step.automatic)
            MeasureAutomatically();
        else
            ShowMeasurement();
        DrawOverlay();
    });
}

}  // namespace pirolex
