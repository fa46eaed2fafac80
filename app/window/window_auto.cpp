// The automatic measurement: the tool button "Automatisch messen", the refit when the air
// temperature changes, and what it shows.
#include "main_window.h"

#include "fitted_curve.h"
#include "marker_drawing.h"
#include "messages.h"
#include "picture_samples.h"
#include "widgets.h"
#include "window_effects.h"

#include <QGuiApplication>

#include <algorithm>

namespace pirolex {

namespace {

// The busy cursor for as long as the fit runs, also when it fails.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void TPirolex::ToolButton9Click() {
    Guard([this] { MeasureAutomatically(); });
}

// From the whole recording at full precision, never the picture, so no picture setting changes
// the speed. It takes about 50 ms for a 16-second recording, short enough for the GUI thread.
void TPirolex::MeasureAutomatically() {
    WindowState& state = *state_;
    if (!state.fileLoaded) return;
    {
        const BusyCursor busy;
        state.autoSpeed = EstimateSpeed(state.recording, ui_.SpinEdit1->value());
    }
    ShowAutoSpeed();
}

// The label always; the curve and the markers only in the 2D picture, where they belong to the
// frequency axis. Markers already placed are erased as a click erases them.
void TPirolex::ShowAutoSpeed() {
    WindowState& state = *state_;
    const AutoSpeed& result = *state.autoSpeed;
    SetSpeedLabel(texts::AutoSpeedText(result));
    if (!result.Answered() || state.settings.picture != Picture::k2D || result.track.Size() == 0)
        return;
    const FrequencyAxis axis = AxisFor(state.recording, state.settings, state.view);
    const Drawing drawing{canvas_, state.view, axis, *effects_};
    for (int32_t* marker : {&state.markerA, &state.markerB}) {
        if (*marker != 0) DrawMarker(drawing, *marker, kWhite);
        *marker = 0;
    }
    // A long recording's picture shows a span: its lines start at the span's first frame, while
    // the fit's times count from the recording's start.
    const int64_t shown = std::min<int64_t>(state.recording.FrameCount() - state.spanFirst, kMaxFrames);
    const LineTimes lines{state.recording.sampleRate, state.spanFirst, shown, state.lineStep,
                          state.settings.FftSize()};
    const int32_t width = canvas_.Width();
    state.markerA = axis.NearestColumn(result.approachFrequencyHz, width);
    state.markerB = axis.NearestColumn(result.recedeFrequencyHz, width);
    DrawMarker(drawing, state.markerA, kMarkerGreen);
    DrawMarker(drawing, state.markerB, kMarkerRed);
    // Last, so that it shows along the trace: before the pass it runs on marker A's line, after
    // it on marker B's, which stay visible where the curve has left them.
    const FlybyModel model = result.model;
    DrawFittedCurve(drawing, lines, [&model](double t) { return model.FrequencyAt(t); },
                    result.track.times.front(), result.track.times.back());
}

}  // namespace pirolex
