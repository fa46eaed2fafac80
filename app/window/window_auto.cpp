// The automatic measurement: every pass of the take, searched aside while the window goes on.
// The passes are listed as they are found; the search shows "Suche … %" with "Abbrechen" (and
// Esc), and the user may go on browsing the take meanwhile.
#include "main_window.h"

#include "aside_work.h"
#include "live_panel.h"
#include "measurement_panel.h"
#include "messages.h"
#include "pass_finder.h"
#include "pass_panel.h"
#include "picture_samples.h"
#include "picture_span.h"
#include "plot_panel.h"
#include "window_effects.h"

#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <exception>

namespace pirolex {

namespace {

// What the search leaves for the window's thread.
struct SearchResult {
    PassSearch search;
    std::exception_ptr failure;
};

}  // namespace

void TPirolex::ToolButton9Click() {
    Guard([this] {
        if (!state_->fileLoaded || live_->Listening()) return;
        measurement_->Remember(passes_->ChosenIndex());
        StartSearch(-1);
    });
}

// Every pass of the take, from the whole recording at full precision, never the picture, so no
// picture setting changes a speed. A take with one pass shows it as a recording of one pass always
// has; with several, the first pass in its span, unless the user has moved the span meanwhile:
// then the pass in the span shown, if any. A new search (the temperature changed) keeps the pass
// chosen and the span where they are. Without a pass the label says why.
void TPirolex::StartSearch(int keep) {
    if (!state_->fileLoaded || live_->Listening()) return;
    const PictureSession& session = state_->session;
    const Settings& settings = session.CurrentSettings();
    const double temperature = settings.temperature;
    const int32_t top = settings.maxSpeedKmh;
    const int64_t spanBefore = session.SpanFirst();
    const Recording* recording = &session.GetRecording();
    auto result = std::make_shared<SearchResult>();
    passes_->SetPasses({}, -1);
    aside_->Start(
        QStringLiteral("Suche"),
        [this, result, recording, temperature, top](AsideTicket& ticket) {
            PassSearchWatch watch;
            watch.cancelled = [&ticket] { return ticket.Cancelled(); };
            watch.progress = [&ticket](double fraction) { ticket.Progress(fraction); };
            watch.found = [this, &ticket](const FlybyPass& pass) {
                ticket.Post([this, pass] { passes_->AddFound(pass); });
            };
            try {
                result->search = FindPasses(*recording, temperature, top, &watch);
            } catch (...) {
                result->failure = std::current_exception();
            }
        },
        [this, result, keep, spanBefore, top](bool cancelled) {
            Guard([&] {
                if (result->failure) std::rethrow_exception(result->failure);
                // A cancelled search leaves the passes found so far, numbered in their order.
                if (cancelled) {
                    std::vector<FlybyPass> found = passes_->Passes();
                    for (size_t i = 0; i < found.size(); ++i) found[i].number = static_cast<int>(i + 1);
                    measurement_->CarryTaken(found);
                    passes_->SetPasses(std::move(found), -1);
                    return;
                }
                std::vector<FlybyPass>& passes = result->search.passes;
                measurement_->CarryTaken(passes);
                const int count = static_cast<int>(passes.size());
                if (count == 0) {
                    passes_->SetPasses({}, -1);
                    AutoSpeed none;
                    none.refusal = result->search.noPassReason;
                    none.topSpeedKmh = top;
                    measurement_->SetAutomatic(none);
                } else if (count == 1 || (keep >= 0 && keep < count)) {
                    passes_->SetPasses(std::move(passes), -1);
                    ChoosePass(count == 1 ? 0 : keep, false);
                    return;
                } else {
                    passes_->SetPasses(std::move(passes), -1);
                    const PictureSession& now = state_->session;
                    if (now.SpanFirst() == spanBefore) {
                        ChoosePass(0);
                        return;
                    }
                    const std::vector<FlybyPass>& found = passes_->Passes();
                    const auto inSpan = std::find_if(found.begin(), found.end(),
                                                     [this](const FlybyPass& pass) { return SpanShows(pass); });
                    if (inSpan != found.end()) {
                        ChoosePass(static_cast<int>(inSpan - found.begin()), false);
                        return;
                    }
                    measurement_->EndAutomatic();
                    measurement_->ShowText(texts::ChoosePassNotice(count));
                    return;
                }
                measurement_->Show();
                plot_->DrawOverlay(measurement_->Overlay(), *effects_);
            });
        });
}

// The pass stands as the automatic measurement: its markers, its curve in its span, its speed in
// the label and its details under the list; a pass the user measured by two clicks with its
// clicked markers. Band and FFT size follow its tones (see PlotPanel::FollowTone); a band the user
// set that leaves them out goes back to the whole band, so the pass is not shown in a band
// without it.
void TPirolex::ChoosePass(int index, bool centre) {
    if (index < 0 || index >= static_cast<int>(passes_->Passes().size())) return;
    passes_->Choose(index);
    const FlybyPass& pass = *passes_->Chosen();
    PictureSession& session = state_->session;
    const Settings& settings = session.CurrentSettings();
    const bool toned = pass.speed.Answered() || pass.clicked;
    const auto [approachHz, recedeHz] = TonesOf(pass);
    bool redraw = false;
    if (const std::optional<int32_t> exponent = plot_->FollowTone(approachHz, recedeHz)) {
        ui_.TrackBar1->setValue(*exponent);
        redraw = true;
    } else if (toned && settings.BandZoomed() &&
               (std::min(approachHz, recedeHz) < settings.bandLowHz || std::max(approachHz, recedeHz) > settings.bandHighHz)) {
        plot_->SetBand(0.0, 0.0);
        redraw = true;
    }
    // "Ausschnitt ab" set so that the span is centred on the pass, as far as the recording lets.
    const Recording& recording = session.GetRecording();
    const int64_t shownFirst = session.SpanFirst();
    if (NeedsSpan(recording, session.SpanFrames()) && (centre || !SpanShows(pass))) {
        const double moment = PassMoment(pass);
        const double start = std::clamp(std::round((moment - session.ShownSeconds() / 2) * 10.0) / 10.0, 0.0,
                                        LatestSpanStart(recording, session.SpanFrames()));
        const QSignalBlocker quiet(ui_.SpanEdit);
        ui_.SpanEdit->setValue(start);
        session.SetSpanStart(ui_.SpanEdit->value());
    }
    if (!pass.clicked || !measurement_->ShowTaken(pass.heardS)) measurement_->SetAutomatic(pass.speed);
    if (redraw || session.SpanFirst() != shownFirst) {
        // Drawn now with every setting as it is, so the size's debounce has nothing left to do.
        timer1_.stop();
        Recompute();
    } else {
        plot_->DrawOverlay(measurement_->Overlay(), *effects_);
        measurement_->Show();
    }
}

}  // namespace pirolex
