// The tool bar commands: load, play, compute, print, save the picture, copy, info and exit; and
// Adopt, the one way a recording comes in.
#include "main_window.h"

#include "aside_work.h"
#include "branding.h"
#include "help_window.h"
#include "live_panel.h"
#include "measurement_panel.h"
#include "messages.h"
#include "pass_panel.h"
#include "picture_samples.h"
#include "picture_span.h"
#include "plot_panel.h"
#include "record_png.h"
#include "recording_file.h"
#include "widgets.h"
#include "window_controls.h"
#include "window_print.h"

#include <QClipboard>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinter>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <new>

namespace pirolex {

namespace {

constexpr int kPlaybackMarginMs = 5000;

// The recording's name with another ending, in the recording's folder.
QString SuggestedName(const std::string& recording, const QString& suffix) {
    const QFileInfo wav(QString::fromStdString(recording));
    return wav.dir().filePath(wav.completeBaseName() + suffix);
}

void EnableFileCommands(const WindowUi& ui, bool enabled) {
    for (QToolButton* b : {ui.ToolButton2, ui.ToolButton3, ui.ToolButton4, ui.ToolButton7, ui.ToolButton9, ui.ToolButton10})
        b->setEnabled(enabled);
}

// Shown and painted before the read, so the name is visible while a long file loads.
void ShowFileName(QWidget& window, const WindowUi& ui, const std::string& name) {
    const QString text = QString::fromStdString(name);
    window.setWindowTitle(QStringLiteral("Pirolex  ") + text);
    ui.StatusBar1->SetPanelText(0, text);
    ui.StatusBar1->repaint();
}

// Status panels 1 to 3, and the channel group: enabled for two or more channels; otherwise set to
// "links" and disabled, without running its handler (the load recomputes once it is done). A
// recording without a single frame leaves the group as it was.
void ShowRecording(const WindowUi& ui, PictureSession& session, int32_t fileChannels) {
    const Recording& recording = session.GetRecording();
    ui.StatusBar1->SetPanelText(1, QString::fromStdString(texts::SampleRatePanel(recording.sampleRate)));
    ui.StatusBar1->SetPanelText(2, QString::fromStdString(texts::FrameCountPanel(recording.FrameCount())));
    ui.StatusBar1->SetPanelText(
        3, QString::fromStdString(texts::DurationPanel(recording.FrameCount(), recording.sampleRate)));
    if (recording.FrameCount() < 1) return;
    const bool stereo = fileChannels >= 2;
    if (!stereo) {
        session.EditSettings().channel = Channel::kLeft;
        ui.KanalRadioGroup->SetItemIndexQuietly(0);
    }
    ui.KanalRadioGroup->setEnabled(stereo);
}

}  // namespace

void TPirolex::ToolButton1Click() {
    Guard([this] { LoadCommand(seams_.chooseFile(this)); });
}

// A cancelled dialog changes nothing, so a measurement on the recording shown stays. A cancelled
// load puts the name, caption and panel back as they were. A failed read leaves the earlier
// recording and its picture; only the commands that would use the broken file are switched off
// before the guard reports why.
void TPirolex::LoadCommand(std::optional<std::string> chosen) {
    if (!chosen || live_->Listening()) return;
    WindowState& state = *state_;
    const std::string previousName = state.fileName;
    const bool previousLoaded = state.fileLoaded;
    const QString previousTitle = windowTitle();
    const QString previousPanel = ui_.StatusBar1->PanelText(0);
    state.fileName = std::move(*chosen);
    ShowFileName(*this, ui_, state.fileName);
    if (state.fileName.empty()) return;
    const auto failed = [this] {
        state_->fileLoaded = false;
        // The caption keeps naming the recording the picture still shows, not the file that failed.
        setWindowTitle(shownTitle_.isEmpty() ? DesignCaption() : shownTitle_);
        ui_.StatusBar1->SetPanelText(0, QString::fromUtf8(texts::kLoadError));
        ui_.StatusBar1->repaint();
        EnableFileCommands(ui_, false);
        live_->ShowSave(false);
    };
    if (!CanOpenForReading(state.fileName)) {
        failed();
        return;
    }
    state.fileLoaded = true;
    // A debounce that falls due would redraw the old recording while the new one loads.
    const int due = timer1_.isActive() ? timer1_.remainingTime() : -1;
    timer1_.stop();
    RecordingFile file;
    const std::string path = state.fileName;
    // WAV files are read as they always were, in one go; other formats are decoded aside.
    if (IsWavPath(path)) {
        file = ReadRecordingFile(path, seams_.decoder);
    } else {
        const bool completed = aside_->RunAndWait(QStringLiteral("Laden"), [&file, &path, decoder = seams_.decoder](AsideTicket& ticket) {
            try {
                file = ReadRecordingFile(path, decoder, [&ticket](double fraction) {
                    ticket.Progress(fraction);
                    return !ticket.Cancelled();
                });
            } catch (const std::bad_alloc&) {
                file.error = Failure(ErrorCode::kTooLong);
            }
        });
        // Asked to stop just as the decode was done: the user's word stands over the race.
        if (!completed) {
            file = RecordingFile{};
            file.error = Failure(ErrorCode::kCancelled);
        }
    }
    if (!file.Ok()) {
        if (due >= 0) timer1_.start(due);
        if (file.error->Code() != ErrorCode::kCancelled) {
            failed();
            throw *file.error;
        }
        state.fileName = previousName;
        state.fileLoaded = previousLoaded;
        setWindowTitle(previousTitle);
        ui_.StatusBar1->SetPanelText(0, previousPanel);
        EnableFileCommands(ui_, state.fileLoaded);
        return;
    }
    const int32_t channels = file.FileChannels();
    Adopt(std::move(file.recording), path, channels, file.recorded);
}

// The one way in: what stood on the previous recording goes (the band as far as it lies within
// the new rate), and the new one is shown with the picture the group shows.
void TPirolex::Adopt(Recording recording, const std::string& name, int32_t fileChannels, std::string recorded) {
    // A search still reading the previous recording ends first.
    aside_->Stop();
    // Before the name is shown: the FFT size's handler writes its size where the name goes.
    if (const std::optional<int32_t> exponent = plot_->ForgetToneBand()) ui_.TrackBar1->setValue(*exponent);
    WindowState& state = *state_;
    state.fileName = name;
    state.fileLoaded = true;
    state.recorded = std::move(recorded);
    ShowFileName(*this, ui_, name);
    state.session.Load(std::move(recording));
    shownTitle_ = windowTitle();
    measurement_->Clear();
    passes_->SetPasses({}, -1);
    plot_->ForgetCleanPicture();
    const Settings& settings = state.session.CurrentSettings();
    if (!plot_->SetBand(settings.bandLowHz, settings.bandHighHz)) plot_->SetBand(0.0, 0.0);
    ShowRecording(ui_, state.session, fileChannels);
    ShowSpanControls(ui_, state.session);
    passes_->ShowLoudness(state.session.GetRecording());
    EnableFileCommands(ui_, true);
    live_->ShowSave(false);
    // The picture the group shows, which may have been chosen before there was a recording.
    state.session.ChoosePicture(ui_.GrafikRadio->ItemIndex() >= 0 ? static_cast<Picture>(ui_.GrafikRadio->ItemIndex())
                                                                  : state.session.CurrentSettings().picture);
    // This picture reads every control as it is now, so a debounce still waiting for an earlier
    // change (start-up's, a resize's) would only wipe it and draw it again.
    timer1_.stop();
    Recompute();
}

void TPirolex::ToolButton2Click() {
    Guard([this] {
        if (!state_->fileLoaded) return;
        // A debounce that is due waits until the sound has played, as it would behind a blocked
        // thread.
        const int due = timer1_.isActive() ? timer1_.remainingTime() : -1;
        timer1_.stop();
        const double seconds = state_->session.GetRecording().Seconds();
        const int timeout = static_cast<int>(std::min(seconds * 1000.0 + kPlaybackMarginMs, double{INT_MAX}));
        const QString error = seams_.play(QString::fromStdString(state_->fileName), timeout);
        if (due >= 0) timer1_.start(due);
        if (!error.isEmpty()) seams_.showMessage(this, MessageKind::Error, error);
    });
}

void TPirolex::ToolButton3Click() {
    Guard([this] { Recompute(); });
}

void TPirolex::ToolButton4Click() {
    Guard([this] {
        QPrinter printer(QPrinter::HighResolution);
        if (!seams_.choosePrinter(this, printer)) return;
        PrintClientArea(*this, printer, RecordRowsOf(MeasurementRecord(*this)));
    });
}

// The picture as it is now, markers included: what the user sees is what gets saved, with the
// measurement's record below it and in the file's text fields.
void TPirolex::ToolButton7Click() {
    Guard([this] {
        if (!state_->fileLoaded) return;
        const std::optional<std::string> path =
            seams_.chooseSaveFile(this, SuggestedName(state_->fileName, QStringLiteral(".png")));
        if (!path) return;
        if (const std::optional<Failure> failure = WriteRecordPng(
                plot_->Canvas().Image(), MeasurementRecord(*this), QString::fromStdString(*path), {state_->fileName}))
            seams_.showMessage(this, MessageKind::Error,
                               QString::fromStdString(texts::PngWriteError(*path, *failure)));
    });
}

void TPirolex::ToolButton10Click() {
    Guard([this] {
        if (!state_->fileLoaded) return;
        QGuiApplication::clipboard()->setText(QString::fromStdString(texts::RecordLine(MeasurementRecord(*this))));
    });
}

void TPirolex::ToolButton8Click() {
    Guard([this] { seams_.showMessage(this, MessageKind::Information, AboutText()); });
}

void TPirolex::ToolButton5Click() { seams_.exitProcess(); }

// "Hilfe" beside the window, made at the first click and shown again after; F1 stays "Info".
void TPirolex::HelpButtonClick() {
    Guard([this] {
        if (!help_) help_ = new HelpWindow(this);
        help_->show();
        help_->raise();
        help_->activateWindow();
    });
}

void TPirolex::FormDropFiles(const std::string& path) {
    Guard([this, &path] { LoadCommand(path); });
}

}  // namespace pirolex
