#include "measurement_panel.h"

#include "clicked_pair.h"
#include "messages.h"
#include "pass_finder.h"
#include "picture_session.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// Far less than the time between two passes, far more than a new search moves a pass's moment
// (another speed of sound moves it by milliseconds).
constexpr double kSamePassSeconds = 1.0;

}  // namespace

MeasurementPanel::MeasurementPanel(QWidget* window, PictureSession& session)
    : session_(session), label_(new QLabel(QString::fromUtf8(texts::kSpeedUnknown), window)) {}

void MeasurementPanel::Place(MarkerSide side, const PlacedMarker& marker) {
    if (automatic_) {
        session_.ClearMarkers();
        automatic_.reset();
    }
    session_.SetMarker(side, marker);
}

// The fit's frequencies are exact numbers, labelled as snapped markers are; their spread is the
// fit's, which the label's sigma already states.
void MeasurementPanel::SetAutomatic(const AutoSpeed& speed) {
    automatic_ = speed;
    session_.ClearMarkers();
    if (!speed.Answered() || speed.track.Size() == 0) return;
    session_.SetMarker(MarkerSide::kA, session_.MarkerAtHz(speed.approachFrequencyHz, 0.0));
    session_.SetMarker(MarkerSide::kB, session_.MarkerAtHz(speed.recedeFrequencyHz, 0.0));
}

void MeasurementPanel::EndAutomatic() {
    if (!automatic_) return;
    automatic_.reset();
    session_.ClearMarkers();
    ShowText("");
}

std::optional<FlybyPass::Clicked> MeasurementPanel::Clicked() const {
    if (automatic_) return std::nullopt;
    const std::optional<MarkerMeasurement> m = session_.MarkersMeasured();
    if (!m || !m->speed || m->doubts.Any() || !(m->speed->kmh > 0)) return std::nullopt;
    return FlybyPass::Clicked{m->speed->kmh, m->speed->resolutionKmh, session_.Marker(MarkerSide::kA)->hz,
                              session_.Marker(MarkerSide::kB)->hz};
}

void MeasurementPanel::KeepTaken(double heardS) {
    const std::optional<PlacedMarker>& a = session_.Marker(MarkerSide::kA);
    const std::optional<PlacedMarker>& b = session_.Marker(MarkerSide::kB);
    if (!a || !b) return;
    const auto before =
        std::find_if(taken_.begin(), taken_.end(), [heardS](const Taken& t) { return t.heardS == heardS; });
    std::optional<Taken> takenBefore;
    if (before != taken_.end()) {
        takenBefore = *before;
        taken_.erase(before);
    }
    Push({std::nullopt, std::nullopt, false, -1, heardS, std::move(takenBefore)});
    taken_.push_back({heardS, *a, *b});
}

bool MeasurementPanel::ShowTaken(double heardS) {
    const auto found = std::find_if(taken_.begin(), taken_.end(), [heardS](const Taken& t) { return t.heardS == heardS; });
    if (found == taken_.end()) return false;
    automatic_.reset();
    session_.SetMarker(MarkerSide::kA, found->a);
    session_.SetMarker(MarkerSide::kB, found->b);
    return true;
}

std::optional<FlybyPass::Clicked> MeasurementPanel::TakenSpeed(const Taken& taken) const {
    const std::optional<DopplerSpeed> speed = session_.SpeedOf(taken.a, taken.b);
    if (!speed) return std::nullopt;
    const ClickDoubts doubts = DoubtsAbout(taken.a.hz, taken.b.hz, speed->kmh, session_.CurrentSettings().maxSpeedKmh,
                                           taken.a.snapMissed, taken.b.snapMissed);
    if (doubts.Any()) return std::nullopt;
    return FlybyPass::Clicked{speed->kmh, speed->resolutionKmh, taken.a.hz, taken.b.hz};
}

void MeasurementPanel::CarryTaken(std::vector<FlybyPass>& passes) {
    std::vector<Taken> carried;
    for (FlybyPass& pass : passes) {
        const auto found = std::find_if(taken_.begin(), taken_.end(), [&pass](const Taken& t) {
            return std::abs(t.heardS - pass.heardS) < kSamePassSeconds;
        });
        if (found == taken_.end()) continue;
        const std::optional<FlybyPass::Clicked> speed = TakenSpeed(*found);
        if (!speed || !TakeClickedSpeed(pass, *speed)) continue;
        carried.push_back({pass.heardS, found->a, found->b});
    }
    taken_ = std::move(carried);
}

void MeasurementPanel::Push(Step step) {
    constexpr size_t kMostSteps = 100;
    if (history_.size() >= kMostSteps) history_.erase(history_.begin());
    history_.push_back(std::move(step));
}

void MeasurementPanel::Remember(int pass) {
    Push({session_.Marker(MarkerSide::kA), session_.Marker(MarkerSide::kB), automatic_.has_value(), pass, std::nullopt,
          std::nullopt});
}

// A new search since the take may have moved the pass's moment a little (the take is found within
// kSamePassSeconds of it) and dropped what it could not carry.
std::optional<MeasurementPanel::Undone> MeasurementPanel::Untake(const Step& step) {
    const double heardS = *step.takenFor;
    const auto taken = std::find_if(taken_.begin(), taken_.end(), [heardS](const Taken& t) {
        return std::abs(t.heardS - heardS) < kSamePassSeconds;
    });
    if (taken == taken_.end()) return Undone{false, -1, heardS, std::nullopt};
    Undone undone{false, -1, taken->heardS, std::nullopt};
    taken_.erase(taken);
    if (step.takenBefore) {
        Taken before = *step.takenBefore;
        before.heardS = *undone.untakenHeardS;
        undone.takenBefore = TakenSpeed(before);
        if (undone.takenBefore) taken_.push_back(before);
    }
    return undone;
}

std::optional<MeasurementPanel::Undone> MeasurementPanel::TakeBack() {
    if (history_.empty()) return std::nullopt;
    const Step step = history_.back();
    history_.pop_back();
    if (step.takenFor) return Untake(step);
    session_.SetMarker(MarkerSide::kA, step.markerA);
    session_.SetMarker(MarkerSide::kB, step.markerB);
    automatic_.reset();
    return Undone{step.automatic, step.pass, std::nullopt, std::nullopt};
}

void MeasurementPanel::Clear() {
    session_.ClearMarkers();
    automatic_.reset();
    history_.clear();
    taken_.clear();
    ShowText("");
}

std::string MeasurementPanel::Text() const {
    if (automatic_) return texts::WindowAutoSpeedText(*automatic_);
    const std::optional<MarkerMeasurement> m = session_.MarkersMeasured();
    return m ? texts::ClickedSpeedText(m->speed, m->doubts, m->topSpeedKmh) : "";
}

// The speed as it has always been shown, and what makes it doubtful: above the top speed, B on
// another harmonic than A, or a click the snap could not place.
void MeasurementPanel::ShowSpeed() {
    if (!session_.Marker(MarkerSide::kA) || !session_.Marker(MarkerSide::kB)) return;
    Show();
}

void MeasurementPanel::ShowText(const std::string& text) {
    label_->setText(QString::fromStdString(text));
    label_->adjustSize();
    label_->repaint();
    if (shown) shown();
}

PlotOverlay MeasurementPanel::Overlay() const {
    PlotOverlay overlay;
    const Recording& recording = session_.GetRecording();
    if (recording.sampleRate <= 0) return overlay;
    const FrequencyAxis axis = session_.Axis();
    const auto mark = [&](const std::optional<PlacedMarker>& marker, uint32_t colour) -> std::optional<MarkerMark> {
        if (!marker) return std::nullopt;
        const int32_t column = session_.ColumnOf(*marker);
        const std::string label =
            marker->Snapped() ? texts::SnappedMarkerLabel(marker->hz) : FrequencyLabelText(axis, column);
        return MarkerMark{column, colour, label};
    };
    const std::optional<PlacedMarker>& a = session_.Marker(MarkerSide::kA);
    if (a) overlay.guidesHz = a->hz;
    overlay.a = mark(a, kMarkerGreen);
    overlay.b = mark(session_.Marker(MarkerSide::kB), kMarkerRed);
    if (automatic_ && automatic_->Answered() && automatic_->track.Size() > 0) {
        overlay.curve = automatic_->model;
        overlay.curveFromS = automatic_->track.times.front();
        overlay.curveToS = automatic_->track.times.back();
    }
    return overlay;
}

int32_t MeasurementPanel::MarkerColumn(MarkerSide side) const {
    const std::optional<PlacedMarker>& marker = session_.Marker(side);
    return marker ? session_.ColumnOf(*marker) : 0;
}

texts::RecordValues MeasurementPanel::Record(const std::string& fileName, const FlybyPass* pass) const {
    const std::optional<PlacedMarker>& markerA = session_.Marker(MarkerSide::kA);
    const std::optional<PlacedMarker>& markerB = session_.Marker(MarkerSide::kB);
    texts::RecordValues values;
    values.speedLine = Text();
    if (automatic_)
        values.source = texts::kSourceAutomatic;
    else if (markerA && markerB)
        values.source = texts::kSourceClicks;
    const bool passTaken = pass && pass->clicked && markerA && markerB && !automatic_ &&
                           markerA->hz == pass->clicked->hzA && markerB->hz == pass->clicked->hzB;
    if (pass && (automatic_ || passTaken)) values.pass = texts::PassRecordText(*pass);
    if (markerA) values.hzA = markerA->hz;
    if (markerB) values.hzB = markerB->hz;
    values.temperature = session_.Temperature();
    values.fileName = QFileInfo(QString::fromStdString(fileName)).fileName().toStdString();
    values.date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    return values;
}

}  // namespace pirolex
