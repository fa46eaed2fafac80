// The automatic measurement: the tool button "Automatisch messen", the refit when the air
// temperature changes, and what it shows.
#include "main_window.h"

#include "messages.h"
#include "widgets.h"

#include <QGuiApplication>

#include <utility>

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
    Guard([this] {
        if (!state_->fileLoaded) return;
        RememberMeasurement();
        MeasureAutomatically();
    });
}

AutoSpeed TPirolex::AutoSpeedAt(const Settings& settings) const {
    return EstimateSpeed(state_->session.GetRecording(), settings.temperature, settings.maxSpeedKmh);
}

// From the whole recording at full precision, never the picture, so no picture setting changes
// the speed. It takes about 50 ms for a 16-second recording, short enough for the GUI thread.
void TPirolex::MeasureAutomatically() {
    WindowState& state = *state_;
    if (!state.fileLoaded) return;
    {
        const BusyCursor busy;
        state.autoSpeed = AutoSpeedAt(CurrentSettings());
    }
    ShowAutoSpeed();
}

// The label always; the markers at the fitted approach and recede frequencies, as placed
// markers are kept, and with the fitted curve drawn in the 2D picture.
void TPirolex::ShowAutoSpeed() {
    WindowState& state = *state_;
    const AutoSpeed& result = *state.autoSpeed;
    SetSpeedLabel(texts::WindowAutoSpeedText(result));
    if (!result.Answered() || result.track.Size() == 0) return;
    // The fit's frequencies are exact numbers, labelled as snapped markers are; their spread is
    // the fit's, which the label's sigma already states.
    for (const auto& [side, hz] : {std::pair{MarkerSide::kA, result.approachFrequencyHz},
                                   std::pair{MarkerSide::kB, result.recedeFrequencyHz}}) {
        state.session.SetMarker(side, state.session.MarkerAtHz(hz, 0.0));
    }
    DrawOverlay();
}

}  // namespace pirolex
