// The control handlers, the recompute and the speed label, and the one guard every handler runs
// through.
#include "main_window.h"

#include "messages.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

#include <new>

namespace pirolex {

namespace {

void SetLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->adjustSize();
}

}  // namespace

// A failure ends the handler where it happened, is reported, and the program goes on with the
// state as the handler left it. No exception ever reaches Qt's event loop.
void TPirolex::Guard(const std::function<void()>& body) {
    try {
        body();
    } catch (const Failure& failure) {
        ShowError(QString::fromStdString(texts::ErrorText(failure)));
    } catch (const std::bad_alloc&) {
        // The recording fit, but what is drawn or measured from it did not.
        ShowError(QString::fromStdString(texts::ErrorText(Failure(ErrorCode::kTooLong))));
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

void TPirolex::ShowError(const QString& text) {
    seams_.showMessage(this, MessageKind::Error, text);
}

// The markers and the automatic measurement stand for frequencies of the recording, so they
// outlive the picture: drawn again over the new one, their speed shown again.
void TPirolex::Recompute() {
    ++recomputeRuns_;
    WindowState& state = *state_;
    if (!state.fileLoaded) return;
    SetImageHint(false);
    ShowPictureControls();
    ShowFilterPanel();
    const PictureEnd end = state.session.Redraw(canvas_, *effects_);
    KeepCleanPicture();
    DrawOverlay();
    ShowMeasurement();
    ShowPictureEnd(end);
    ShowOverview();
    // Clicks measure only in the pictures with time upwards, so only there is the hint shown.
    SetImageHint(TraitsOf(state.session.CurrentSettings().picture).timeUpwards);
}

// The filter's captions, and in the speed label why a picture stays empty; the next recompute or
// speed replaces it.
void TPirolex::ShowPictureEnd(const PictureEnd& end) {
    if (end.caption) {
        SetLabel(ui_.LimLabel, texts::LimitCaption(end.caption->limit));
        SetLabel(ui_.CFARLabel, texts::KeepCaption(end.caption->keep));
    }
    if (end.tooShort)
        SetSpeedLabel(texts::ShortRecordingNotice(state_->session.CurrentSettings().FftSize()));
}

void TPirolex::SetSpeedLabel(const std::string& text) {
    SetLabel(ui_.Label1, text);
    ui_.Label1->repaint();
}

void TPirolex::SetImageHint(bool on) {
    ui_.Image1->setToolTip(on ? QString::fromUtf8(texts::kMeasureHint) : QString());
}

const Settings& TPirolex::CurrentSettings() const {
    return state_->session.CurrentSettings();
}

Settings& TPirolex::EditSettings() {
    return state_->session.EditSettings();
}

void TPirolex::KanalRadioGroupClick() {
    Guard([this] {
        EditSettings().channel = static_cast<Channel>(ui_.KanalRadioGroup->ItemIndex());
        Recompute();
    });
}

void TPirolex::GenauRadioGroupClick() {
    Guard([this] {
        EditSettings().accuracy = ui_.GenauRadioGroup->ItemIndex() == 1 ? Accuracy::kExact : Accuracy::kApproximate;
        Recompute();
    });
}

// Before the first load the picture stays where it was, whatever the group shows.
void TPirolex::GrafikRadioClick() {
    Guard([this] {
        if (state_->fileLoaded)
            state_->session.ChoosePicture(static_cast<Picture>(ui_.GrafikRadio->ItemIndex()));
        Recompute();
    });
}

void TPirolex::PCheckboxClick() {
    EditSettings().iqPhase = ui_.PCheckbox->isChecked();
    trigger();
}

void TPirolex::CFARCheckBoxClick() {
    EditSettings().filterMode =
        ui_.CFARCheckBox->isChecked() ? FilterMode::kConstantPoints : FilterMode::kThreshold;
    ShowPictureControls();
    trigger();
}

void TPirolex::ShowPictureControls() {
    const bool filtered = TraitsOf(CurrentSettings().picture).lineFilter;
    const bool constPPL = ui_.CFARCheckBox->isChecked();
    ui_.GroupBox1->setVisible(filtered && !constPPL);
    ui_.GroupBox2->setVisible(filtered && constPPL);
    ui_.LevelGroup->setVisible(!filtered);
    ui_.CFARCheckBox->setEnabled(filtered);
    ui_.PCheckbox->setEnabled(filtered);
}

void TPirolex::LimTrackBarChange() {
    EditSettings().threshold = ui_.LimTrackBar->value();
    trigger();
}

void TPirolex::CFARTrackBarChange() {
    EditSettings().pointsPerLine = ui_.CFARTrackBar->value();
    trigger();
}

void TPirolex::LevelEditChange() {
    EditSettings().levelRangeDb = ui_.LevelRangeEdit->value();
    EditSettings().levelGainDb = ui_.LevelGainEdit->value();
    trigger();
}

// The labels are rewritten on every call; the FFT size and the timer only move on a real change.
void TPirolex::TrackBar1Change() {
    Guard([this] {
        WindowState& state = *state_;
        const int32_t previous = state.filterCount;
        const int32_t position = ui_.TrackBar1->value();
        state.filterCount = int32_t{1} << position;
        const QString size = QString::fromStdString(texts::FilterCountPanel(state.filterCount));
        ui_.FFTLabel->setText(QString::fromStdString(texts::FftSizeLabel(state.filterCount)));
        ui_.FFTLabel->adjustSize();
        ui_.StatusBar1->SetPanelText(0, size);
        if (state.filterCount == previous) return;
        EditSettings().fftExponent = position;
        ShowFilterPanel();
        trigger();
    });
}

// The automatic measurement is fitted again, as the speed of sound enters the fit; otherwise the
// markers' speed is worked out anew.
void TPirolex::SpinEdit1Change() {
    Guard([this] {
        EditSettings().temperature = ui_.SpinEdit1->value();
        if (state_->autoSpeed)
            MeasureAutomatically();
        else
            ShowSpeed();
    });
}

// The automatic measurement is asked again, as it refuses what lies above the top speed; the
// markers' speed is shown again with its doubts.
void TPirolex::TopSpeedEditChange() {
    EditSettings().maxSpeedKmh = ui_.TopSpeedEdit->value();
    SpinEdit1Change();
}

// A press on the plot, in plot bitmap pixels, places a marker in the 2D picture (left A, right
// B) or starts choosing a band (middle).
void TPirolex::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    Guard([&] {
        WindowState& state = *state_;
        PictureSession& session = state.session;
        if (session.GetRecording().sampleRate <= 0) return;
        const Picture picture = session.CurrentSettings().picture;
        // The band can be chosen wherever the picture has a frequency axis along its width.
        if (button == Qt::MiddleButton && TraitsOf(picture).bandDrag) {
            bandDragFrom_ = x;
            return;
        }
        if (!TraitsOf(picture).timeUpwards) return;
        if (button != Qt::LeftButton && button != Qt::RightButton) return;
        const PlacedMarker marker = ClickedMarker(x, y);
        RememberMeasurement();
        // From here the markers measure, not the fit: a click after it starts a new pair, never
        // one clicked marker against one fitted.
        if (state.autoSpeed) {
            session.ClearMarkers();
            state.autoSpeed.reset();
        }
        session.SetMarker(button == Qt::LeftButton ? MarkerSide::kA : MarkerSide::kB, marker);
        DrawOverlay();
        ShowMeasurement();
        ShowReadout(x, y);
    });
}

}  // namespace pirolex
