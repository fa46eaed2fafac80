// The passes of a take: found off the GUI thread, listed right of the plot as "Vorbeiflüge",
// marked on the overview strip under the plot, the chosen one shown as the automatic measurement
// in its span; the list saved as CSV; and the span moved by the wheel and the strip.
#include "main_window.h"

#include "input_hold.h"
#include "loudness_overview.h"
#include "messages.h"
#include "overview_strip.h"
#include "checked_save.h"
#include "pass_records.h"
#include "picture_samples.h"
#include "picture_span.h"
#include "widgets.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <thread>

namespace pirolex {

namespace {

constexpr int kListGap = 8;          // between the plot and the list, and at the window's edge
constexpr int kCaptionTop = 52;      // the caption, on the speed label's row
constexpr int kButtonHeight = 24;
constexpr int kDetailsHeight = 52;  // three lines
constexpr int kStripGap = 8;         // between "Ausschnitt ab" and the strip
constexpr int kOverviewColumns = 1024;
// A wheel notch moves the span by this share of its length.
constexpr double kWheelShare = 0.1;

double ShownSeconds(const PictureSession& session) {
    const Recording& recording = session.GetRecording();
    return recording.sampleRate > 0
               ? static_cast<double>(ShownFrames(recording, session.SpanFrames())) / recording.sampleRate
               : 0.0;
}

}  // namespace

void TPirolex::BuildPassList() {
    ui_.PassListLabel = new QLabel(QString::fromUtf8(texts::kPassListCaption), this);
    ui_.PassListLabel->adjustSize();
    ui_.PassList = new QListWidget(this);
    ui_.PassList->setToolTip(QStringLiteral("Vorbeiflug wählen: Ausschnitt, Kurve und Marken zeigen"));
    ui_.SavePassListButton = new QPushButton(QString::fromUtf8(texts::kSavePassList), this);
    ui_.SavePassListButton->setToolTip(QStringLiteral("Die Vorbeiflüge als CSV-Datei speichern"));
    ui_.SavePassListButton->setEnabled(false);
    ui_.PassDetails = new QLabel(this);
    ui_.PassDetails->setWordWrap(true);
    ui_.PassDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui_.Overview = new OverviewStrip(this);
    ui_.Overview->setToolTip(QStringLiteral("Die ganze Aufnahme: klicken oder ziehen wählt den Ausschnitt"));
    ui_.Overview->hide();
    connect(ui_.PassList, &QListWidget::currentRowChanged, this, [this](int row) { PassListChange(row); });
    connect(ui_.SavePassListButton, &QPushButton::clicked, this, [this] { SavePassListClick(); });
    ui_.Overview->OnSeek = [this](double seconds) { OverviewSeek(seconds); };
    ui_.Image1->OnWheel = [this](int notches) { Image1MouseWheel(notches); };
    ui_.Image1->OnZoomWheel = [this](int notches) { Image1ZoomWheel(notches); };
    PlacePassList();
}

// Right of the plot from its top to the band's row: the list, the chosen pass's details, the
// button; the strip right of "Ausschnitt ab" up to the plot's right edge.
void TPirolex::PlacePassList() {
    const QRect plot = ui_.Image1->geometry();
    const int left = plot.right() + 1 + kListGap;
    const int width = std::max(kPassListWidth - 2 * kListGap, 1);
    ui_.PassListLabel->move(left, kCaptionTop);
    const int bottom = ui_.BandRow->geometry().bottom();
    const int listHeight =
        std::max(bottom - plot.top() - kButtonHeight - kDetailsHeight - kListGap, kButtonHeight);
    ui_.PassList->setGeometry(left, plot.top(), width, listHeight);
    ui_.PassDetails->setGeometry(left, plot.top() + listHeight + kListGap / 2, width, kDetailsHeight);
    ui_.SavePassListButton->setGeometry(left, bottom + 1 - kButtonHeight, width, kButtonHeight);
    const int stripLeft = ui_.SpanLengthEdit->geometry().right() + 1 + kStripGap;
    ui_.Overview->setGeometry(stripLeft, ui_.SpanEdit->y(), std::max(plot.right() + 1 - stripLeft, 1),
                              ui_.SpanEdit->height());
}

// The finder reads the recording on a thread of its own while the window keeps painting; input
// is held back meanwhile, so nothing replaces the recording under it.
PassSearch TPirolex::FindPassesAside() const {
    const PictureSession& session = state_->session;
    const Settings& settings = session.CurrentSettings();
    PassSearch search;
    std::exception_ptr failure;
    std::atomic<bool> cancel{false};
    QEventLoop loop;
    const InputHold hold(ui_.CancelButton, cancel);
    std::thread worker([&] {
        try {
            search = FindPasses(session.GetRecording(), settings.temperature, settings.maxSpeedKmh);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
    return search;
}

// One row per pass; the chosen one selected without running the list's handler.
void TPirolex::ShowPassList() {
    const WindowState& state = *state_;
    const QSignalBlocker quiet(ui_.PassList);
    ui_.PassList->clear();
    for (const FlybyPass& pass : state.passes)
        ui_.PassList->addItem(QString::fromStdString(texts::PassListRow(pass)));
    ui_.PassList->setCurrentRow(state.chosenPass);
    ui_.SavePassListButton->setEnabled(!state.passes.empty());
    const bool chosen = state.chosenPass >= 0 && state.chosenPass < static_cast<int>(state.passes.size());
    const AutoSpeed* speed = chosen ? &state.passes[static_cast<size_t>(state.chosenPass)].speed : nullptr;
    ui_.PassDetails->setText(speed && speed->Answered()
                                 ? QString::fromStdString(texts::AutoSpeedDetails(*speed))
                                 : QString());
    ShowOverview();
}

void TPirolex::ShowLoudness() {
    const Recording& recording = state_->session.GetRecording();
    ui_.Overview->SetLoudness(LoudnessOverview(recording, kOverviewColumns), recording.Seconds());
}

void TPirolex::ShowOverview() {
    const WindowState& state = *state_;
    const Recording& recording = state.session.GetRecording();
    ui_.Overview->setVisible(state.fileLoaded && recording.sampleRate > 0);
    std::vector<double> heard;
    for (const FlybyPass& pass : state.passes) heard.push_back(pass.heardS);
    ui_.Overview->SetPasses(std::move(heard), state.chosenPass);
    if (recording.sampleRate <= 0) return;
    const double from = static_cast<double>(state.session.SpanFirst()) / recording.sampleRate;
    ui_.Overview->SetSpan(from, from + ShownSeconds(state_->session));
}

// The pass stands as the automatic measurement: its markers, its curve in its span, its speed in
// the label and its details under the list.
void TPirolex::ChoosePass(int index) {
    WindowState& state = *state_;
    if (index < 0 || index >= static_cast<int>(state.passes.size())) return;
    state.chosenPass = index;
    const FlybyPass& pass = state.passes[static_cast<size_t>(index)];
    state.autoSpeed = pass.speed;
    const int64_t shownFirst = state.session.SpanFirst();
    CentreSpanOn(pass.speed.Answered() ? pass.speed.closestTimeS : pass.heardS);
    if (state.session.SpanFirst() != shownFirst) Recompute();
    ShowPassList();
    ShowAutoSpeed();
}

void TPirolex::CentreSpanOn(double seconds) {
    const Recording& recording = state_->session.GetRecording();
    if (!NeedsSpan(recording, state_->session.SpanFrames())) return;
    const double start = std::clamp(std::round((seconds - ShownSeconds(state_->session) / 2) * 10.0) / 10.0, 0.0,
                                    LatestSpanStart(recording, state_->session.SpanFrames()));
    const QSignalBlocker quiet(ui_.SpanEdit);
    ui_.SpanEdit->setValue(start);
    state_->session.SetSpanStart(ui_.SpanEdit->value());
}

void TPirolex::PassListChange(int row) {
    Guard([this, row] {
        // While listening the rows are the take's, with no recording to show them in yet.
        if (row < 0 || row == state_->chosenPass || Listening()) return;
        RememberMeasurement();
        ChoosePass(row);
    });
}

// Through "Ausschnitt ab" and its debounce, as typed seconds go.
void TPirolex::Image1MouseWheel(int notches) {
    const Recording& recording = state_->session.GetRecording();
    if (!state_->fileLoaded || !NeedsSpan(recording, state_->session.SpanFrames())) return;
    ui_.SpanEdit->setValue(ui_.SpanEdit->value() + notches * kWheelShare * ShownSeconds(state_->session));
}

void TPirolex::OverviewSeek(double seconds) {
    const Recording& recording = state_->session.GetRecording();
    if (!state_->fileLoaded || !NeedsSpan(recording, state_->session.SpanFrames())) return;
    ui_.SpanEdit->setValue(std::round((seconds - ShownSeconds(state_->session) / 2) * 10.0) / 10.0);
}

void TPirolex::SavePassListClick() {
    Guard([this] {
        const WindowState& state = *state_;
        if (state.passes.empty()) return;
        const QFileInfo recording(QString::fromStdString(state.fileName));
        const QString suggested = recording.dir().filePath(recording.completeBaseName() + QStringLiteral(".csv"));
        const std::optional<ListFileChoice> chosen = seams_.chooseListFile(this, suggested);
        if (!chosen) return;
        const std::string file = recording.fileName().toStdString();
        const texts::TakeFacts take{.temperatureC = state.session.Temperature(), .recorded = state.recorded};
        const texts::PassColumns columns{.german = chosen->german};
        std::string csv = texts::PassCsvHeader(columns);
        for (const FlybyPass& pass : state.passes) csv += texts::PassCsvRow(file, pass, columns, take);
        if (const std::optional<Failure> failure = SaveWholeFile(chosen->path, csv, {state.fileName}))
            ShowError(QString::fromStdString(texts::PassListWriteError(chosen->path, *failure)));
    });
}

}  // namespace pirolex
