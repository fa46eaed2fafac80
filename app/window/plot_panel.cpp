#include "plot_panel.h"

#include "fitted_curve.h"
#include "picture_samples.h"
#include "picture_session.h"
#include "picture_span.h"
#include "rolling_picture.h"
#include "spectrogram_pass.h"
#include "messages.h"
#include "tone_band.h"
#include "widgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pirolex {

namespace {

constexpr int kReadoutPanel = 5;
// A drag over fewer columns is taken for a slip of the hand, not a band.
constexpr int kSmallestDragColumns = 3;
// The narrowest band, in hertz: a few bins of the finest FFT at the common rates.
constexpr int kNoRecordingNyquist = 22050;

QSpinBox* BandEdit(QWidget* parent, const QString& hint) {
    auto* edit = new TypedSpinBox(parent);
    edit->setLocale(QLocale::c());
    edit->setSuffix(QStringLiteral(" Hz"));
    edit->setRange(0, kNoRecordingNyquist);
    edit->setSingleStep(100);
    // Typed digits count once the entry is done, not at every key.
    edit->setKeyboardTracking(false);
    edit->setToolTip(hint);
    edit->setMinimumWidth(84);
    return edit;
}

}  // namespace

PlotPanel::PlotPanel(QWidget* window, PictureSession& session, const bool& loaded, PanelStatusBar* status)
    : session_(session),
      status_(status),
      image_(new PlotImage(window)),
      timeRuler_(new Ruler(Qt::Vertical, QStringLiteral("s"), window)),
      frequencyRuler_(new Ruler(Qt::Horizontal, QStringLiteral("Hz"), window)),
      bandRow_(new QWidget(window)),
      canvas_(615, 271),
      sessionPicture_(session, loaded) {
    image_->ResizePicture(615, 271);
    image_->setToolTip(QString::fromUtf8(texts::kMeasureHint));
    BuildBandRow();
    canvas_.SetPresenter([this](const QImage& picture) {
        // While listening the plot shows the rolling picture; a recompute only keeps its own.
        if (rollingSource_) return;
        image_->SetPicture(picture);
        image_->repaint();
        UpdateRulers();
    });
    image_->OnMouseMove = [this](int x, int y) { MouseMove(x, y); };
    image_->OnMouseUp = [this](Qt::MouseButton button, int x, int /*y*/) { MouseUp(button, x); };
    image_->OnDoubleClick = [this](Qt::MouseButton button, int x, int y) { DoubleClick(button, x, y); };
    image_->OnLeave = [this] { status_->SetPanelText(kReadoutPanel, QString()); };
}

PlotPanel::~PlotPanel() = default;

const PlotSource& PlotPanel::Source() const {
    if (rollingSource_) return *rollingSource_;
    return sessionPicture_;
}

void PlotPanel::BuildBandRow() {
    auto* layout = new QHBoxLayout(bandRow_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    // Left of the controls the row stays free for "Ausschnitt ab".
    layout->addStretch(1);
    // The fitted curve covers the track it was fitted to; without it the user sees how well it
    // fits.
    curveBox_ = new QCheckBox(QStringLiteral("Kurve"), bandRow_);
    curveBox_->setChecked(true);
    curveBox_->setToolTip(QStringLiteral("Die Kurve der automatischen Messung über der Spur zeigen"));
    layout->addWidget(curveBox_);
    layout->addSpacing(8);
    snapBox_ = new QCheckBox(QStringLiteral("Spitze suchen"), bandRow_);
    snapBox_->setChecked(true);
    snapBox_->setToolTip(QStringLiteral("Marke auf die Frequenz des Tons unter dem Klick setzen, auf 0.1 Hz"));
    layout->addWidget(snapBox_);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("von"), bandRow_));
    bandFrom_ = BandEdit(bandRow_, QStringLiteral("Untere Grenze des Frequenzbands"));
    layout->addWidget(bandFrom_);
    layout->addWidget(new QLabel(QStringLiteral("bis"), bandRow_));
    bandTo_ = BandEdit(bandRow_, QStringLiteral("Obere Grenze des Frequenzbands"));
    layout->addWidget(bandTo_);
    bandReset_ = new QPushButton(QStringLiteral("ganzes Band"), bandRow_);
    bandReset_->setToolTip(
        QStringLiteral("Wieder 0 Hz bis zur halben Abtastrate zeigen (Doppelklick mit der mittleren Taste)"));
    layout->addWidget(bandReset_);
    bandTone_ = new QPushButton(QStringLiteral("Band um den Ton"), bandRow_);
    bandTone_->setToolTip(
        QStringLiteral("Band und FFT-Größe so wählen, dass der automatisch gefundene Ton im Anflug "
                       "und im Abflug zu sehen und anzuklicken ist"));
    layout->addWidget(bandTone_);
    ShowBand();
    QObject::connect(bandFrom_, &QSpinBox::valueChanged, bandRow_, [this] { BandEdited(); });
    QObject::connect(bandTo_, &QSpinBox::valueChanged, bandRow_, [this] { BandEdited(); });
    QObject::connect(curveBox_, &QCheckBox::toggled, bandRow_, [this] {
        if (curveSwitched) curveSwitched();
    });
    QObject::connect(bandReset_, &QPushButton::clicked, bandRow_, [this] {
        bandChoice_ = BandChoice::kHand;
        SetBand(0.0, 0.0);
        if (bandChanged) bandChanged(true);
    });
}

void PlotPanel::Place(int x, int y, int width, int height) {
    image_->move(x, y);
    image_->ResizePicture(width, height);
    canvas_.Resize(image_->width(), image_->height());
    const QRect plot = image_->geometry();
    timeRuler_->setGeometry(plot.left() - kTimeRulerWidth, plot.top(), kTimeRulerWidth, plot.height());
    frequencyRuler_->setGeometry(plot.left(), plot.bottom() + 1, plot.width(), kFrequencyRulerHeight);
    bandRow_->setGeometry(plot.left(), frequencyRuler_->geometry().bottom() + 1 + kBandRowGap, plot.width(),
                          kBandRowHeight);
    // "Kurve" gives way where the row has no room for it, rather than squeezing the band's controls.
    const int needed = bandRow_->layout()->sizeHint().width() +
                       (curveBox_->isHidden() ? curveBox_->sizeHint().width() + bandRow_->layout()->spacing() : 0);
    curveBox_->setVisible(needed <= plot.width());
    UpdateRulers();
}

void PlotPanel::ShowRolling(const RollingPicture* rolling) {
    rolling_ = rolling;
    rollingSource_ = rolling ? std::make_unique<RollingSource>(*rolling) : nullptr;
    bandDragFrom_.reset();
    image_->ClearSelection();
    image_->setToolTip(rolling ? QString() : QString::fromUtf8(texts::kMeasureHint));
    if (rolling) {
        RollingChanged();
    } else {
        image_->SetPicture(canvas_.Image());
        image_->update();
    }
    UpdateRulers();
}

void PlotPanel::RollingChanged() {
    if (!rolling_) return;
    image_->SetPicture(rolling_->Image());
    image_->update();
    // The ruler's ticks move only while the picture is still filling.
    if (rolling_->LinesAdded() <= image_->height() + 1) UpdateRulers();
}

// The rulers describe the picture shown.
void PlotPanel::UpdateRulers() {
    const PlotSource& source = Source();
    frequencyRuler_->SetTicks(source.FrequencyTicks(image_->width()));
    timeRuler_->SetTicks(source.TimeTicks(image_->height()), source.TimeDownwards());
}

void PlotPanel::KeepCleanPicture() { cleanPlot_ = canvas_; }

void PlotPanel::ForgetCleanPicture() { cleanPlot_.reset(); }

// The pen, as the picture left it, is where the next picture starts from, so the overlay hands it
// back unchanged.
void PlotPanel::DrawOverlay(const PlotOverlay& overlay, PlotEffects& effects) {
    if (!cleanPlot_) return;
    DrawOverlayPixels(overlay, effects);
    canvas_.SetPenMode(cleanPlot_->Mode());
    canvas_.SetPenColor(cleanPlot_->PenColor());
    canvas_.SetFontColor(cleanPlot_->FontColor());
}

void PlotPanel::DrawOverlayPixels(const PlotOverlay& overlay, PlotEffects& effects) {
    if (cleanPlot_->Width() != canvas_.Width() || cleanPlot_->Height() != canvas_.Height())
        cleanPlot_->Resize(canvas_.Width(), canvas_.Height());
    canvas_ = *cleanPlot_;
    const Recording& recording = session_.GetRecording();
    const Settings& settings = session_.CurrentSettings();
    if (!TraitsOf(settings.picture).timeUpwards || recording.sampleRate <= 0) {
        canvas_.Present();
        return;
    }
    const Drawing drawing{canvas_, session_.View(), session_.Axis(), effects};
    if (overlay.guidesHz) DrawHarmonicGuides(drawing, *overlay.guidesHz);
    DrawMarkers(drawing, overlay.a, overlay.b);
    // Last, so that it shows along the trace: before the pass it runs on marker A's line, after
    // it on marker B's.
    if (overlay.curve && curveBox_->isChecked()) {
        // A long recording's picture shows a span: its lines start at the span's first frame,
        // while the fit's times count from the recording's start.
        const FlybyModel model = *overlay.curve;
        DrawFittedCurve(drawing, session_.Time(), [&model](double t) { return model.FrequencyAt(t); }, overlay.curveFromS,
                        overlay.curveToS);
    }
}

bool PlotPanel::SetBand(double lowHz, double highHz) {
    Settings& settings = session_.EditSettings();
    const int32_t rate = session_.GetRecording().sampleRate;
    const SettingRange range = BandRange(rate > 0 ? rate : 2 * kNoRecordingNyquist);
    lowHz = std::clamp(lowHz, range.lowest, range.highest);
    highHz = std::clamp(highHz, range.lowest, range.highest);
    const bool whole = (lowHz <= range.lowest && highHz >= range.highest) || (lowHz == 0.0 && highHz == 0.0);
    if (!whole && !BandWideEnough(lowHz, highHz)) return false;
    settings.bandLowHz = whole ? 0.0 : lowHz;
    settings.bandHighHz = whole ? 0.0 : highHz;
    ShowBand();
    return true;
}

// The spin boxes follow the band without running their handler.
void PlotPanel::ShowBand() {
    const Settings& settings = session_.CurrentSettings();
    const int32_t rate = session_.GetRecording().sampleRate;
    const int nyquist = static_cast<int>(BandRange(rate > 0 ? rate : 2 * kNoRecordingNyquist).highest);
    const QSignalBlocker quietFrom(bandFrom_);
    const QSignalBlocker quietTo(bandTo_);
    bandFrom_->setRange(0, nyquist);
    bandTo_->setRange(0, nyquist);
    const bool zoomed = settings.BandZoomed();
    bandFrom_->setValue(zoomed ? static_cast<int>(std::lround(settings.bandLowHz)) : 0);
    bandTo_->setValue(zoomed ? static_cast<int>(std::lround(settings.bandHighHz)) : nyquist);
}

bool PlotPanel::Snap() const { return snapBox_->isChecked(); }

std::optional<int32_t> PlotPanel::FollowTone(double approachHz, double recedeHz) {
    if (bandChoice_ == BandChoice::kHand) return std::nullopt;
    const Settings& settings = session_.CurrentSettings();
    const std::optional<ToneBand> band = BandAroundTone(approachHz, recedeHz, session_.GetRecording().sampleRate);
    if (!band) return ForgetToneBand();
    if (bandChoice_ == BandChoice::kNone) exponentBeforeTone_ = settings.fftExponent;
    bandChoice_ = BandChoice::kTone;
    const double lowBefore = settings.bandLowHz;
    const double highBefore = settings.bandHighHz;
    // A band narrower than the picture draws keeps the band as it was; the size still parts the
    // tones, as far as a block of it fits into the span shown: a larger one draws no picture at all.
    SetBand(band->lowHz, band->highHz);
    const int64_t frames = ShownFrames(session_.GetRecording(), session_.SpanFrames());
    int32_t exponent = band->fftExponent;
    const int32_t smallest = std::max(settings.fftExponent, kSmallestFftExponent);
    while (exponent > smallest && (int64_t{1} << exponent) > frames) --exponent;
    if (settings.bandLowHz == lowBefore && settings.bandHighHz == highBefore && exponent == settings.fftExponent)
        return std::nullopt;
    return exponent;
}

std::optional<int32_t> PlotPanel::FollowToneAgain(double approachHz, double recedeHz) {
    if (!BandAroundTone(approachHz, recedeHz, session_.GetRecording().sampleRate)) return std::nullopt;
    if (bandChoice_ == BandChoice::kHand) bandChoice_ = BandChoice::kNone;
    return FollowTone(approachHz, recedeHz);
}

std::optional<int32_t> PlotPanel::ForgetToneBand() {
    if (bandChoice_ != BandChoice::kTone) return std::nullopt;
    bandChoice_ = BandChoice::kNone;
    SetBand(0.0, 0.0);
    return exponentBeforeTone_;
}

// Typed or stepped limits go through the debounce, as the other picture controls do; limits
// that do not make a band yet wait for the other one.
void PlotPanel::BandEdited() {
    if (!SetBand(bandFrom_->value(), bandTo_->value())) return;
    bandChoice_ = BandChoice::kHand;
    if (bandChanged) bandChanged(false);
}

bool PlotPanel::StartBandDrag(Qt::MouseButton button, int x) {
    if (button != Qt::MiddleButton || !Source().TakesBand()) return false;
    bandDragFrom_ = x;
    return true;
}

void PlotPanel::MouseMove(int x, int y) {
    if (bandDragFrom_) image_->SetSelection(*bandDragFrom_, x);
    ShowReadout(x, y);
}

// The end of a middle drag: the columns between its ends become the band, at their frequencies
// in the picture as it is.
void PlotPanel::MouseUp(Qt::MouseButton button, int x) {
    if (button != Qt::MiddleButton || !bandDragFrom_) return;
    const int32_t from = *bandDragFrom_;
    bandDragFrom_.reset();
    image_->ClearSelection();
    if (std::abs(x - from) < kSmallestDragColumns || !Source().TakesBand()) return;
    const FrequencyAxis axis = session_.Axis();
    const double a = axis.HzAtColumn(from);
    const double b = axis.HzAtColumn(x);
    if (!SetBand(std::min(a, b), std::max(a, b))) return;
    bandChoice_ = BandChoice::kHand;
    if (bandChanged) bandChanged(true);
}

// A double click with the middle button returns to the whole band; with the others it is the
// press it has always been.
void PlotPanel::DoubleClick(Qt::MouseButton button, int x, int y) {
    if (button != Qt::MiddleButton) {
        if (pressed) pressed(button, x, y);
        return;
    }
    bandDragFrom_.reset();
    image_->ClearSelection();
    if (!session_.CurrentSettings().BandZoomed()) return;
    bandReset_->click();
}

void PlotPanel::ShowReadout(int x, int y) {
    status_->SetPanelText(kReadoutPanel, QString::fromStdString(Source().Readout(x, y, image_->height(), Snap())));
}

}  // namespace pirolex
