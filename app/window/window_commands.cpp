// The tool bar commands: load, play, compute, print, save the picture, info and exit.
#include "main_window.h"

#include "branding.h"
#include "messages.h"
#include "picture_span.h"
#include "plot_png.h"
#include "recording_file.h"
#include "spectrogram_pass.h"
#include "widgets.h"
#include "window_effects.h"
#include "window_print.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QToolButton>

#include <algorithm>
#include <climits>

namespace pirolex {

namespace {
constexpr int kPlaybackMarginMs = 5000;
}

void TPirolex::ToolButton1Click() {
    Guard([this] { LoadCommand(seams_.chooseFile(this)); });
}

// A cancelled dialog changes nothing, so a measurement on the recording shown stays. A cancelled
// load puts the name, caption and panel back as they were.
void TPirolex::LoadCommand(std::optional<std::string> chosen) {
    if (!chosen) return;
    WindowState& state = *state_;
    const std::string previousName = state.fileName;
    const bool previousLoaded = state.fileLoaded;
    const QString previousTitle = windowTitle();
    const QString previousPanel = ui_.StatusBar1->PanelText(0);
    state.fileName = std::move(*chosen);
    ShowFileName();
    if (state.fileName.empty()) return;
    if (CanOpenForReading(state.fileName)) {
        state.fileLoaded = true;
        if (!ParseAndRecompute()) {
            state.fileName = previousName;
            state.fileLoaded = previousLoaded;
            setWindowTitle(previousTitle);
            ui_.StatusBar1->SetPanelText(0, previousPanel);
        }
    } else {
        LoadFailed();
    }
    EnableFileCommands(state.fileLoaded);
}

// Shown and painted before the parse, so the name is visible while a long file loads.
void TPirolex::ShowFileName() {
    const QString name = QString::fromStdString(state_->fileName);
    setWindowTitle(QStringLiteral("Pirolex  ") + name);
    ui_.StatusBar1->SetPanelText(0, name);
    ui_.StatusBar1->repaint();
}

// The caption keeps naming the recording the picture still shows, not the file that failed.
void TPirolex::LoadFailed() {
    state_->fileLoaded = false;
    setWindowTitle(shownTitle_.isEmpty() ? DesignCaption() : shownTitle_);
    ui_.StatusBar1->SetPanelText(0, QString::fromUtf8(texts::kLoadError));
    ui_.StatusBar1->repaint();
    EnableFileCommands(false);
}

// A failed read leaves the earlier recording and its picture; only the commands that would use
// the broken file are switched off before the guard reports why.
bool TPirolex::ParseAndRecompute() {
    WindowState& state = *state_;
    RecordingFile file = ReadWithProgress(state.fileName);
    if (!file.Ok()) {
        if (file.error->Code() == ErrorCode::kCancelled) return false;
        LoadFailed();
        throw *file.error;
    }
    state.session.Load(std::move(file.recording));
    state.recorded = file.recorded;
    shownTitle_ = windowTitle();
    ClearMeasurement();
    ShowRecording(file.FileChannels());
    ShowSpanControl();
    ShowLoudness();
    EnableFileCommands(true);
    // The picture the group shows, which may have been chosen before there was a recording.
    state.session.ChoosePicture(ui_.GrafikRadio->ItemIndex() >= 0
                                    ? static_cast<Picture>(ui_.GrafikRadio->ItemIndex())
                                    : state.session.CurrentSettings().picture);
    // This picture reads every control as it is now, so a debounce still waiting for an earlier
    // change (start-up's, a resize's) would only wipe it and draw it again.
    timer1_.stop();
    Recompute();
    return true;
}

// Status panels 1 to 3, and the channel group: enabled for two or more channels; otherwise set to
// "links" and disabled, without running its handler (the load recomputes once it is done). A
// recording without a single frame leaves the group as it was.
void TPirolex::ShowRecording(int32_t fileChannels) {
    const Recording& recording = state_->session.GetRecording();
    ui_.StatusBar1->SetPanelText(1, QString::fromStdString(texts::SampleRatePanel(recording.sampleRate)));
    ui_.StatusBar1->SetPanelText(2, QString::fromStdString(texts::FrameCountPanel(recording.FrameCount())));
    ui_.StatusBar1->SetPanelText(
        3, QString::fromStdString(texts::DurationPanel(recording.FrameCount(), recording.sampleRate)));
    if (recording.FrameCount() < 1) return;
    const bool stereo = fileChannels >= 2;
    if (!stereo) {
        EditSettings().channel = Channel::kLeft;
        ui_.KanalRadioGroup->SetItemIndexQuietly(0);
    }
    ui_.KanalRadioGroup->setEnabled(stereo);
}

void TPirolex::EnableFileCommands(bool enabled) {
    for (QToolButton* b : {ui_.ToolButton2, ui_.ToolButton3, ui_.ToolButton4, ui_.ToolButton7,
                           ui_.ToolButton9, ui_.ToolButton10})
        b->setEnabled(enabled);
    // Loading a file other than the take leaves nothing for "Aufnahme speichern".
    ShowTakeSave();
}

void TPirolex::ToolButton2Click() {
    Guard([this] {
        if (!state_->fileLoaded) return;
        // A debounce that is due waits until the sound has played, as it would behind a
        // blocked thread.
        const int due = timer1_.isActive() ? timer1_.remainingTime() : -1;
        timer1_.stop();
        const QString error =
            seams_.play(QString::fromStdString(state_->fileName), PlaybackTimeoutMs());
        if (due >= 0) timer1_.start(due);
        if (!error.isEmpty()) seams_.showMessage(this, MessageKind::Error, error);
    });
}

int TPirolex::PlaybackTimeoutMs() const {
    const double seconds = state_->session.GetRecording().Seconds();
    return static_cast<int>(std::min(seconds * 1000.0 + kPlaybackMarginMs, double{INT_MAX}));
}

void TPirolex::ToolButton3Click() {
    Guard([this] { Recompute(); });
}

void TPirolex::ToolButton4Click() {
    Guard([this] {
        QPrinter printer(QPrinter::HighResolution);
        if (!seams_.choosePrinter(this, printer)) return;
        PrintClientArea(*this, printer, RecordRows());
    });
}

void TPirolex::ToolButton7Click() {
    Guard([this] { SavePicture(); });
}

// The picture as it is now, markers included: what the user sees is what gets saved, with the
// measurement's record below it and in the file's text fields.
void TPirolex::SavePicture() {
    if (!state_->fileLoaded) return;
    const std::optional<std::string> path = seams_.chooseSaveFile(this, SuggestedPngName());
    if (!path) return;
    if (const std::optional<Failure> failure =
            WritePng(RecordedPicture(), QString::fromStdString(*path), RecordTextFields(), {state_->fileName}))
        ShowError(QString::fromStdString(texts::PngWriteError(*path, *failure)));
}

// The recording's name with .png, in the recording's folder.
QString TPirolex::SuggestedPngName() const {
    const QFileInfo wav(QString::fromStdString(state_->fileName));
    return wav.dir().filePath(wav.completeBaseName() + QStringLiteral(".png"));
}

void TPirolex::ToolButton8Click() {
    Guard([this] { seams_.showMessage(this, MessageKind::Information, AboutText()); });
}

void TPirolex::ToolButton5Click() {
    seams_.exitProcess();
}

}  // namespace pirolex
