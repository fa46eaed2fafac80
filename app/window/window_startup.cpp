// Start-up, the geometry that follows the window size, and the recompute debounce.
#include "main_window.h"

#include "recording_file.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSlider>

#include <filesystem>

namespace pirolex {

namespace {
constexpr int kGaugeFromRight = 342;
}  // namespace

// The screen's pixel density needs no step of ours: Qt scales the window for it.
void TPirolex::FormCreate(std::optional<std::string> given) {
    CentreOnScreen();
    CreatePlotBitmap();
    ui_.Gauge1->hide();
    SetStartValues();
    if (!given) {
        ToolButton1Click();
        return;
    }
    Guard([this, &given] {
        LoadCommand(*given);
        if (!CanOpenForReading(*given))
            Fail(std::filesystem::exists(*given) ? ErrorCode::kAccessDenied : ErrorCode::kFileNotFound);
    });
}

void TPirolex::CentreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    move(area.left() + (area.width() - OuterWidth()) / 2,
         area.top() + (area.height() - OuterHeight()) / 2);
}

void TPirolex::CreatePlotBitmap() {
    canvas_.Resize(ui_.Image1->width(), ui_.Image1->height());
    canvas_.Present();
}

void TPirolex::SetStartValues() {
    WindowState& state = *state_;
    const Settings start = StartupSettings();
    EditSettings().picture = start.picture;
    ui_.GrafikRadio->SetItemIndex(static_cast<int>(start.picture));
    state.fileLoaded = false;
    EditSettings().fftExponent = start.fftExponent;
    ui_.TrackBar1->setValue(start.fftExponent);
    // Off and on again: each change runs the handler, which shows the matching group box.
    const bool constPPL = start.filterMode == FilterMode::kConstantPoints;
    ui_.CFARCheckBox->setChecked(!constPPL);
    ui_.CFARCheckBox->setChecked(constPPL);
}

void TPirolex::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignBars();
    FormResize();
}

void TPirolex::ResizeOuter(int width, int height) {
    resize(std::max(width - kFrameWidth, 1), std::max(height - kFrameHeight, 1));
}

void TPirolex::FormResize() {
    const PlotSize image = PlotImageSize(OuterWidth() - kExtraWidth, OuterHeight() - kExtraHeight);
    ui_.Image1->ResizePicture(image.width, image.height);
    canvas_.Resize(ui_.Image1->width(), ui_.Image1->height());
    state_->session.SetView(ViewForImage({ui_.Image1->width(), ui_.Image1->height()}));
    ui_.Gauge1->move(OuterWidth() - kGaugeFromRight, ui_.Gauge1->y());
    PlaceAroundPlot();
    UpdateRulers();
    PlaceLoadControls();
    trigger();
}

// Each call restarts the wait, so only the last of a quick series of changes recomputes.
void TPirolex::trigger() {
    timer1_.stop();
    timer1_.start(kDebounceMs);
}

void TPirolex::Timer1Timer() {
    timer1_.stop();
    // Not in the middle of a picture: once the 1D animation is over.
    if (effects_->Animating()) {
        trigger();
        return;
    }
    ToolButton3Click();
}

}  // namespace pirolex
