// The control handlers and the one guard every handler runs through.
#include "main_window.h"

#include "fft_engine.h"
#include "markers.h"
#include "recompute.h"
#include "runtime_error.h"
#include "spectrogram_pass.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

namespace pirolex {

namespace {

MouseButton ToMouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    default: return MouseButton::Other;
    }
}

}  // namespace

// A failure ends the handler where it happened, is reported, and the program goes on with the
// state as the handler left it. No exception ever reaches Qt's event loop.
void TPirolex::Guard(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TPirolex::ShowError(const QString& text) {
    seams_.showMessage(this, MessageKind::Error, text);
}

void TPirolex::Recompute() {
    ++recomputeRuns_;
    pirolex::Recompute(*session_, canvas_, SnapshotControls(), *effects_);
}

Controls TPirolex::SnapshotControls() const {
    Controls controls;
    controls.Accuracy = ui_.GenauRadioGroup->ItemIndex();
    controls.IQPhase = ui_.PCheckbox->isChecked();
    controls.ConstPPL = ui_.CFARCheckBox->isChecked();
    controls.LimPosition = ui_.LimTrackBar->value();
    controls.CFARPosition = ui_.CFARTrackBar->value();
    controls.Temperature = ui_.SpinEdit1->value();
    return controls;
}

void TPirolex::KanalRadioGroupClick() {
    Guard([this] {
        session_->state.ChannelSelect = ui_.KanalRadioGroup->ItemIndex();
        Recompute();
    });
}

void TPirolex::GenauRadioGroupClick() {
    Guard([this] { Recompute(); });
}

// Before the first load the picture mode stays where it was, whatever the group shows.
void TPirolex::GrafikRadioClick() {
    Guard([this] {
        AnalysisState& state = session_->state;
        if (state.FileLoaded) {
            state.GraphMode = ui_.GrafikRadio->ItemIndex() + 1;
            state.LineStep = Optimum(state);
        }
        Recompute();
    });
}

void TPirolex::PCheckboxClick() {
    trigger();
}

void TPirolex::CFARCheckBoxClick() {
    const bool constPPL = ui_.CFARCheckBox->isChecked();
    ui_.GroupBox1->setVisible(!constPPL);
    ui_.GroupBox2->setVisible(constPPL);
    trigger();
}

void TPirolex::LimTrackBarChange() {
    trigger();
}

void TPirolex::CFARTrackBarChange() {
    trigger();
}

// The labels are rewritten on every call; the FFT size and the timer only move on a real change.
void TPirolex::TrackBar1Change() {
    Guard([this] {
        AnalysisState& state = session_->state;
        const int32_t previous = state.FilterCount;
        const int32_t position = ui_.TrackBar1->value();
        state.FilterCount = ZWEIpower(position);
        ui_.FFTLabel->setText(QStringLiteral("%1 FFT-Filter").arg(state.FilterCount));
        ui_.FFTLabel->adjustSize();
        ui_.StatusBar1->SetPanelText(0, QStringLiteral("%1 Filter").arg(state.FilterCount));
        if (state.FilterCount == previous) return;
        SetFFTExponent(state, position);
        ui_.StatusBar1->SetPanelText(4, QStringLiteral("%1 Filter").arg(state.FFTMask + 1));
        trigger();
    });
}

void TPirolex::SpinEdit1Change() {
    Guard([this] { pirolex::SpinEdit1Change(session_->state, SnapshotControls(), *effects_); });
}

void TPirolex::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    Guard([&] {
        pirolex::Image1MouseDown(session_->state, canvas_, SnapshotControls(), *effects_,
                                 ToMouseButton(button), x, y);
    });
}

}  // namespace pirolex
