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

// Every pass of the take, from the whole recording at full precision, never the picture, so no
// picture setting changes a speed. A take with one pass shows it as a recording of one pass always
// has; with several, the first measurement shows the first pass in its span, and a new one (the
// temperature changed) keeps the pass chosen and the span where they are. Without a pass the
// label says why.
void TPirolex::MeasureAutomatically() {
    WindowState& state = *state_;
    if (!state.fileLoaded) return;
    PassSearch search;
    {
        const BusyCursor busy;
        search = FindPassesAside();
    }
    const bool again = state.chosenPass >= 0 && state.chosenPass < static_cast<int>(search.passes.size());
    state.passes = std::move(search.passes);
    if (state.passes.empty()) {
        state.chosenPass = -1;
        AutoSpeed none;
        none.refusal = search.noPassReason;
        none.topSpeedKmh = CurrentSettings().maxSpeedKmh;
        state.autoSpeed = none;
        ShowPassList();
        ShowAutoSpeed();
        return;
    }
    if (state.passes.size() == 1 || again) {
        if (!again) state.chosenPass = 0;
        state.autoSpeed = state.passes[static_cast<size_t>(state.chosenPass)].speed;
        ShowPassList();
        ShowAutoSpeed();
        return;
    }
    ChoosePass(0);
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
