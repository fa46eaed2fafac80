// The measuring markers as the window shows them: placed by a click (snapped to a tone's peak on
// request), drawn with the harmonic guides and the automatic measurement's curve over a clean copy
// of the picture, and the label for the measurement standing. The session keeps them and works
// out their speed.
#include "main_window.h"

#include "clicked_pair.h"
#include "fitted_curve.h"
#include "marker_drawing.h"
#include "messages.h"
#include "picture_samples.h"
#include "spectrogram_renderer.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>

#include <algorithm>

namespace pirolex {

PlacedMarker TPirolex::ClickedMarker(int32_t x, int32_t y) const {
    const PictureSession& session = state_->session;
    const PlacedMarker marker = session.MarkerAtColumn(x);
    return ui_.SnapBox->isChecked() ? session.Snapped(marker, y) : marker;
}

int32_t TPirolex::MarkerColumn(MarkerSide side) const {
    const PictureSession& session = state_->session;
    const std::optional<PlacedMarker>& marker = session.Marker(side);
    return marker ? session.ColumnOf(*marker) : 0;
}

// The speed as it has always been shown, and what makes it doubtful: above the top speed, B on
// another harmonic than A, or a click the snap could not place.
void TPirolex::ShowSpeed() {
    const PictureSession& session = state_->session;
    if (!session.Marker(MarkerSide::kA) || !session.Marker(MarkerSide::kB)) return;
    SetSpeedLabel(MeasurementText());
}

// The automatic measurement, the markers' speed, or nothing while a pair is incomplete.
std::string TPirolex::MeasurementText() const {
    const WindowState& state = *state_;
    if (state.autoSpeed) return texts::WindowAutoSpeedText(*state.autoSpeed);
    const PictureSession& session = state.session;
    const std::optional<PlacedMarker>& a = session.Marker(MarkerSide::kA);
    const std::optional<PlacedMarker>& b = session.Marker(MarkerSide::kB);
    if (!a || !b) return "";
    const std::optional<DopplerSpeed> speed = session.MarkerSpeed();
    const int32_t top = session.CurrentSettings().maxSpeedKmh;
    const ClickDoubts doubts =
        DoubtsAbout(a->hz, b->hz, speed ? std::optional<double>(speed->kmh) : std::nullopt, top,
                    a->snapMissed, b->snapMissed);
    return texts::ClickedSpeedText(speed, doubts, top);
}

void TPirolex::ShowMeasurement() {
    SetSpeedLabel(MeasurementText());
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
    const PictureSession& session = state.session;
    const Recording& recording = session.GetRecording();
    const Settings& settings = session.CurrentSettings();
    if (!TraitsOf(settings.picture).timeUpwards || recording.sampleRate <= 0) {
        canvas_.Present();
        return;
    }
    const FrequencyAxis axis = session.Axis();
    const Drawing drawing{canvas_, session.View(), axis, *effects_};
    const std::optional<PlacedMarker>& markerA = session.Marker(MarkerSide::kA);
    if (markerA) DrawHarmonicGuides(drawing, markerA->hz);
    const auto mark = [&](const std::optional<PlacedMarker>& marker, uint32_t colour)
        -> std::optional<MarkerMark> {
        if (!marker) return std::nullopt;
        const int32_t column = session.ColumnOf(*marker);
        const std::string label = marker->Snapped() ? texts::SnappedMarkerLabel(marker->hz)
                                                    : FrequencyLabelText(axis, column);
        return MarkerMark{column, colour, label};
    };
    DrawMarkers(drawing, mark(markerA, kMarkerGreen), mark(session.Marker(MarkerSide::kB), kMarkerRed));
    // Last, so that it shows along the trace: before the pass it runs on marker A's line, after
    // it on marker B's.
    if (state.autoSpeed && state.autoSpeed->Answered() && state.autoSpeed->track.Size() > 0) {
        // A long recording's picture shows a span: its lines start at the span's first frame,
        // while the fit's times count from the recording's start.
        const int64_t shown =
            std::min<int64_t>(recording.FrameCount() - session.SpanFirst(), session.SpanFrames());
        const LineTimes lines{recording.sampleRate, session.SpanFirst(), shown, session.LineStep(),
                              settings.FftSize()};
        const FlybyModel model = state.autoSpeed->model;
        DrawFittedCurve(drawing, lines, [&model](double t) { return model.FrequencyAt(t); },
                        state.autoSpeed->track.times.front(), state.autoSpeed->track.times.back());
    }
}

// Only loading another recording clears the measurement.
void TPirolex::ClearMeasurement() {
    WindowState& state = *state_;
    state.session.ClearMarkers();
    state.autoSpeed.reset();
    state.history.clear();
    state.passes.clear();
    state.chosenPass = -1;
    ShowPassList();
    cleanPlot_.reset();
    SetSpeedLabel("");
    // The band stays as far as it lies within the new recording's rate.
    const Settings& settings = state.session.CurrentSettings();
    if (!SetBand(settings.bandLowHz, settings.bandHighHz)) SetBand(0.0, 0.0);
}

// Each click and each automatic measurement can be taken back with Strg+Z, one after the other.
void TPirolex::RememberMeasurement() {
    WindowState& state = *state_;
    constexpr size_t kMostSteps = 100;
    if (state.history.size() >= kMostSteps) state.history.erase(state.history.begin());
    state.history.push_back({state.session.Marker(MarkerSide::kA), state.session.Marker(MarkerSide::kB),
                             state.autoSpeed.has_value()});
}

void TPirolex::TakeBackLastMarker() {
    Guard([this] {
        WindowState& state = *state_;
        if (state.history.empty()) return;
        const MeasurementStep step = state.history.back();
        state.history.pop_back();
        state.session.SetMarker(MarkerSide::kA, step.markerA);
        state.session.SetMarker(MarkerSide::kB, step.markerB);
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
