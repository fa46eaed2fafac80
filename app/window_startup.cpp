// Start-up, the geometry that follows the window size, and the recompute debounce.
#include "main_window.h"

#include "fft_engine.h"
#include "widgets.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSlider>

namespace pirolex {

namespace {
constexpr int kGaugeFromRight = 342;
}  // namespace

// The screen's pixel density needs no step of ours: Qt scales the window for it.
void TPirolex::FormCreate() {
    CentreOnScreen();
    CreatePlotBitmap();
    ui_.Gauge1->hide();
    SetStartValues();
    FFTinit(session_->state, session_->analysis.fft);
    ToolButton1Click();
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
    AnalysisState& state = session_->state;
    state.GraphMode = 2;
    ui_.GrafikRadio->SetItemIndex(state.GraphMode - 1);
    state.AutoStep = true;
    state.DisplayFilter = true;
    state.FileLoaded = false;
    SetFFTExponent(state, 10);
    ui_.TrackBar1->setValue(10);
    // Off and on again: each change runs the handler, which shows the matching group box.
    ui_.CFARCheckBox->setChecked(false);
    ui_.CFARCheckBox->setChecked(true);
    state.LineStep = 0;
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
    const PlotSize image = PlotImageSize(OuterWidth(), OuterHeight());
    ui_.Image1->ResizePicture(image.width, image.height);
    canvas_.Resize(ui_.Image1->width(), ui_.Image1->height());
    SetPlotGeometry(session_->state, {ui_.Image1->width(), ui_.Image1->height()});
    ui_.Gauge1->move(OuterWidth() - kGaugeFromRight, ui_.Gauge1->y());
    trigger();
}

// Each call restarts the wait, so only the last of a quick series of changes recomputes.
void TPirolex::trigger() {
    timer1_.stop();
    timer1_.start(kDebounceMs);
}

void TPirolex::Timer1Timer() {
    timer1_.stop();
    ToolButton3Click();
}

}  // namespace pirolex
