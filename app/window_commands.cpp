// The tool bar commands: load, play, compute, print, save the picture, info and exit.
#include "main_window.h"

#include "branding.h"
#include "plot_png.h"
#include "runtime_error.h"
#include "spectrogram_pass.h"
#include "wav_reader.h"
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

// A cancelled dialog keeps the previous name, so it loads the earlier file again.
void TPirolex::LoadCommand(std::optional<std::string> chosen) {
    AnalysisState& state = session_->state;
    if (chosen) state.FileName = std::move(*chosen);
    ShowFileName();
    if (state.FileName.empty()) return;
    if (CanOpenForReading(state.FileName)) {
        state.FileLoaded = true;
        ParseAndRecompute();
    } else {
        LoadFailed();
    }
    EnableFileCommands(state.FileLoaded);
}

// Shown and painted before the parse, so the name is visible while a long file loads.
void TPirolex::ShowFileName() {
    const QString name = QString::fromStdString(session_->state.FileName);
    setWindowTitle(QStringLiteral("Pirolex  ") + name);
    ui_.StatusBar1->SetPanelText(0, name);
    ui_.StatusBar1->repaint();
}

void TPirolex::LoadFailed() {
    session_->state.FileLoaded = false;
    ui_.StatusBar1->SetPanelText(0, QStringLiteral("!! file load ERROR !!"));
    ui_.StatusBar1->repaint();
    EnableFileCommands(false);
}

// The reader commits nothing when it fails, so the earlier recording and its picture stay; only
// the commands that would use the broken file are switched off before the guard reports why.
void TPirolex::ParseAndRecompute() {
    AnalysisState& state = session_->state;
    try {
        OpenWavefile(state, *effects_);
    } catch (const std::exception&) {
        LoadFailed();
        throw;
    }
    EnableFileCommands(true);
    if (state.AutoStep) state.LineStep = Optimum(state);
    Recompute();
}

void TPirolex::EnableFileCommands(bool enabled) {
    for (QToolButton* b : {ui_.ToolButton2, ui_.ToolButton3, ui_.ToolButton4, ui_.ToolButton7})
        b->setEnabled(enabled);
}

void TPirolex::ToolButton2Click() {
    Guard([this] {
        if (!session_->state.FileLoaded) return;
        // A debounce that is due waits until the sound has played, as it would behind a
        // blocked thread.
        const int due = timer1_.isActive() ? timer1_.remainingTime() : -1;
        timer1_.stop();
        const QString error =
            seams_.play(QString::fromStdString(session_->state.FileName), PlaybackTimeoutMs());
        if (due >= 0) timer1_.start(due);
        if (!error.isEmpty()) seams_.showMessage(this, MessageKind::Error, error);
    });
}

int TPirolex::PlaybackTimeoutMs() const {
    const AnalysisState& state = session_->state;
    const double seconds =
        state.SampleRate > 0 ? static_cast<double>(state.SampleCount) / state.SampleRate : 0.0;
    return static_cast<int>(std::min(seconds * 1000.0 + kPlaybackMarginMs, double{INT_MAX}));
}

void TPirolex::ToolButton3Click() {
    Guard([this] { Recompute(); });
}

void TPirolex::ToolButton4Click() {
    Guard([this] {
        QPrinter printer(QPrinter::HighResolution);
        if (!seams_.choosePrinter(this, printer)) return;
        PrintClientArea(*this, printer);
    });
}

void TPirolex::ToolButton7Click() {
    Guard([this] { SavePicture(); });
}

// The picture as it is now, markers included: what the user sees is what gets saved.
void TPirolex::SavePicture() {
    if (!session_->state.FileLoaded) return;
    const std::optional<std::string> path = seams_.chooseSaveFile(this, SuggestedPngName());
    if (!path) return;
    const QString error = SavePlotPng(canvas_, QString::fromStdString(*path));
    if (!error.isEmpty()) ShowError(error);
}

// The recording's name with .png, in the recording's folder.
QString TPirolex::SuggestedPngName() const {
    const QFileInfo wav(QString::fromStdString(session_->state.FileName));
    return wav.dir().filePath(wav.completeBaseName() + QStringLiteral(".png"));
}

void TPirolex::ToolButton8Click() {
    Guard([this] { seams_.showMessage(this, MessageKind::Information, AboutText()); });
}

void TPirolex::ToolButton5Click() {
    seams_.exitProcess();
}

}  // namespace pirolex
