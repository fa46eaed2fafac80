// Start-up, the geometry that follows the window size, and the recompute debounce.
#include "main_window.h"

#include "live_panel.h"
#include "pass_panel.h"
#include "plot_panel.h"
#include "recording_file.h"
#include "widgets.h"
#include "window_controls.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include <filesystem>

namespace pirolex {

namespace {

constexpr int kPlotLeft = 210;
constexpr int kPlotTop = 74;
constexpr int kGaugeFromRight = 342;
constexpr int kSpanLabelIndent = 2;  // from the plot's left edge
constexpr int kSpanEditIndent = 80;
constexpr int kSpanBelowRow = 4;  // the spin box's top, below the band's row
constexpr int kSpanLengthGap = 8;  // between "Ausschnitt ab" and "Länge"
constexpr int kCancelWidth = 75;
constexpr int kCancelGap = 6;  // between the button and the progress bar
constexpr int kAsideProgressWidth = 110;

void CentreOnScreen(QWidget& window, int outerWidth, int outerHeight) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.left() + (area.width() - outerWidth) / 2, area.top() + (area.height() - outerHeight) / 2);
}

}  // namespace

// The screen's pixel density needs no step of ours: Qt scales the window for it.
void TPirolex::FormCreate(std::optional<std::string> given) {
    CentreOnScreen(*this, OuterWidth(*this), OuterHeight(*this));
    plot_->Canvas().Resize(ui_.Image1->width(), ui_.Image1->height());
    plot_->Canvas().Present();
    ui_.Gauge1->hide();
    const Settings start = StartupSettings();
    state_->session.EditSettings().picture = start.picture;
    ui_.GrafikRadio->SetItemIndex(static_cast<int>(start.picture));
    state_->fileLoaded = false;
    state_->session.EditSettings().fftExponent = start.fftExponent;
    ui_.TrackBar1->setValue(start.fftExponent);
    // Off and on again: each change runs the handler, which shows the matching group box.
    const bool constPPL = start.filterMode == FilterMode::kConstantPoints;
    ui_.CFARCheckBox->setChecked(!constPPL);
    ui_.CFARCheckBox->setChecked(constPPL);
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

void TPirolex::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

int OuterWidth(const QWidget& window) { return window.width() + TPirolex::kFrameWidth; }

int OuterHeight(const QWidget& window) { return window.height() + TPirolex::kFrameHeight; }

void ResizeOuter(QWidget& window, int width, int height) {
    window.resize(std::max(width - TPirolex::kFrameWidth, 1), std::max(height - TPirolex::kFrameHeight, 1));
}

// The bars span the window; the plot takes what the controls leave; the rest follows the plot.
void TPirolex::FormResize() {
    ui_.ToolBar1->setGeometry(0, 0, width(), kToolBarHeight);
    ui_.StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
    const PlotSize image = PlotImageSize(OuterWidth(*this) - kExtraWidth, OuterHeight(*this) - kExtraHeight);
    plot_->Place(kPlotLeft + kTimeRulerWidth, kPlotTop, image.width, image.height);
    state_->session.SetView(ViewForImage({ui_.Image1->width(), ui_.Image1->height()}));
    ui_.Gauge1->move(OuterWidth(*this) - kPassListWidth - kGaugeFromRight, ui_.Gauge1->y());
    // "Ausschnitt ab" under the band's row; "Abbrechen" and the progress of work aside left of
    // the progress bar.
    const int top = ui_.BandRow->geometry().bottom() + 1 + kSpanBelowRow;
    const int left = ui_.Image1->x();
    ui_.SpanEdit->move(left + kSpanEditIndent, top);
    ui_.SpanLabel->move(left + kSpanLabelIndent, top + (ui_.SpanEdit->height() - ui_.SpanLabel->height()) / 2);
    const int lengthLabelLeft = ui_.SpanEdit->geometry().right() + 1 + kSpanLengthGap;
    ui_.SpanLengthLabel->move(lengthLabelLeft, top + (ui_.SpanEdit->height() - ui_.SpanLengthLabel->height()) / 2);
    ui_.SpanLengthEdit->move(lengthLabelLeft + ui_.SpanLengthLabel->width() + 4, top);
    ui_.CancelButton->setGeometry(ui_.Gauge1->x() - kCancelGap - kCancelWidth, ui_.Gauge1->y() - 2, kCancelWidth,
                                  ui_.Gauge1->height() + 4);
    ui_.AsideProgress->setGeometry(ui_.CancelButton->x() - kCancelGap - kAsideProgressWidth, ui_.Gauge1->y(),
                                   kAsideProgressWidth, ui_.Gauge1->height());
    // The overview strip right of "Länge".
    passes_->Place(ui_.Image1->geometry(), ui_.BandRow->geometry().bottom(), ui_.SpanLengthEdit->geometry());
    // While listening the rolling picture follows the plot's size.
    if (live_->Listening()) {
        live_->Resize(QSize(ui_.Image1->width(), ui_.Image1->height()));
        plot_->ShowRolling(live_->Rolling());
    }
    plot_->UpdateRulers();
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
