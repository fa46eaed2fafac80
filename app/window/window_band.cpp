// The row under the plot: "Spitze suchen" and the frequency band ("von", "bis", back to the whole
// band), the band chosen by a drag with the middle button, and the readout of frequency, time and
// speed under the cursor in status panel 5.
#include "main_window.h"


#include "messages.h"
#include "spectrogram_pass.h"
#include "spectrogram_renderer.h"
#include "time_axis.h"
#include "tone_band.h"
#include "widgets.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
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
constexpr double kNarrowestBandHz = 50.0;
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

void TPirolex::BuildBandRow() {
    auto* layout = static_cast<QHBoxLayout*>(ui_.BandRow->layout());
    layout->setSpacing(6);
    // Left of the controls the row stays free for "Ausschnitt ab".
    layout->addStretch(1);
    ui_.SnapBox = new QCheckBox(QStringLiteral("Spitze suchen"), ui_.BandRow);
    ui_.SnapBox->setChecked(true);
    ui_.SnapBox->setToolTip(
        QStringLiteral("Marke auf die Frequenz des Tons unter dem Klick setzen, auf 0.1 Hz"));
    layout->addWidget(ui_.SnapBox);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("von"), ui_.BandRow));
    ui_.BandFromEdit = BandEdit(ui_.BandRow, QStringLiteral("Untere Grenze des Frequenzbands"));
    layout->addWidget(ui_.BandFromEdit);
    layout->addWidget(new QLabel(QStringLiteral("bis"), ui_.BandRow));
    ui_.BandToEdit = BandEdit(ui_.BandRow, QStringLiteral("Obere Grenze des Frequenzbands"));
    layout->addWidget(ui_.BandToEdit);
    ui_.BandResetButton = new QPushButton(QStringLiteral("ganzes Band"), ui_.BandRow);
    ui_.BandResetButton->setToolTip(
        QStringLiteral("Wieder 0 Hz bis zur halben Abtastrate zeigen (Doppelklick mit der "
                       "mittleren Taste)"));
    layout->addWidget(ui_.BandResetButton);
    ui_.BandToneButton = new QPushButton(QStringLiteral("Band um den Ton"), ui_.BandRow);
    ui_.BandToneButton->setToolTip(
        QStringLiteral("Band und FFT-Größe so wählen, dass der automatisch gefundene Ton im Anflug "
                       "und im Abflug zu sehen und anzuklicken ist"));
    layout->addWidget(ui_.BandToneButton);
    ShowBand();

    connect(ui_.BandFromEdit, &QSpinBox::valueChanged, this, [this] { BandEditChange(); });
    connect(ui_.BandToEdit, &QSpinBox::valueChanged, this, [this] { BandEditChange(); });
    connect(ui_.BandResetButton, &QPushButton::clicked, this, [this] { BandResetButtonClick(); });
    connect(ui_.BandToneButton, &QPushButton::clicked, this, [this] { BandToneButtonClick(); });
    ui_.Image1->OnMouseMove = [this](int x, int y) { Image1MouseMove(x, y); };
    ui_.Image1->OnMouseUp = [this](Qt::MouseButton button, int x, int y) {
        Image1MouseUp(button, x, y);
    };
    ui_.Image1->OnDoubleClick = [this](Qt::MouseButton button, int x, int y) {
        Image1DoubleClick(button, x, y);
    };
    ui_.Image1->OnLeave = [this] { Image1MouseLeave(); };
}

// The band in hertz, clamped to the recording's; one that reaches both ends is the whole band,
// the default picture. One too narrow to draw is refused and the band stays as it was.
bool TPirolex::SetBand(double lowHz, double highHz) {
    Settings& settings = EditSettings();
    const int32_t rate = state_->session.GetRecording().sampleRate;
    const double nyquist = rate > 0 ? rate / 2.0 : kNoRecordingNyquist;
    lowHz = std::clamp(lowHz, 0.0, nyquist);
    highHz = std::clamp(highHz, 0.0, nyquist);
    const bool whole = (lowHz <= 0.0 && highHz >= nyquist) || (lowHz == 0.0 && highHz == 0.0);
    if (!whole && highHz - lowHz < kNarrowestBandHz) return false;
    settings.bandLowHz = whole ? 0.0 : lowHz;
    settings.bandHighHz = whole ? 0.0 : highHz;
    ShowBand();
    return true;
}

// The spin boxes follow the band without running their handler.
void TPirolex::ShowBand() {
    const Settings& settings = CurrentSettings();
    const int32_t rate = state_->session.GetRecording().sampleRate;
    const int nyquist = rate > 0 ? rate / 2 : kNoRecordingNyquist;
    const QSignalBlocker quietFrom(ui_.BandFromEdit);
    const QSignalBlocker quietTo(ui_.BandToEdit);
    ui_.BandFromEdit->setRange(0, nyquist);
    ui_.BandToEdit->setRange(0, nyquist);
    const bool zoomed = settings.BandZoomed();
    ui_.BandFromEdit->setValue(zoomed ? static_cast<int>(std::lround(settings.bandLowHz)) : 0);
    ui_.BandToEdit->setValue(zoomed ? static_cast<int>(std::lround(settings.bandHighHz)) : nyquist);
}

// Typed or stepped limits go through the debounce, as the other picture controls do; limits
// that do not make a band yet wait for the other one.
void TPirolex::BandEditChange() {
    const int from = ui_.BandFromEdit->value();
    const int to = ui_.BandToEdit->value();
    if (SetBand(from, to)) trigger();
}

// The tones the automatic measurement heard (also of a pass it refused, where it heard them):
// a 300 Hz engine hides below the whole band's filter at the default size, and its two tones
// share a column there.
void TPirolex::BandToneButtonClick() {
    Guard([this] {
        const std::optional<AutoSpeed>& found = state_->autoSpeed;
        if (!found) return;
        const std::optional<ToneBand> band = BandAroundTone(
            found->approachFrequencyHz, found->recedeFrequencyHz, state_->session.GetRecording().sampleRate);
        if (!band) return;
        ui_.TrackBar1->setValue(band->fftExponent);
        SetBand(band->lowHz, band->highHz);
        Recompute();
    });
}

void TPirolex::BandResetButtonClick() {
    Guard([this] {
        SetBand(0.0, 0.0);
        Recompute();
    });
}

void TPirolex::Image1MouseMove(int x, int y) {
    if (bandDragFrom_) ui_.Image1->SetSelection(*bandDragFrom_, x);
    ShowReadout(x, y);
}

// The end of a middle drag: the columns between its ends become the band, at their frequencies
// in the picture as it is.
void TPirolex::Image1MouseUp(Qt::MouseButton button, int x, int /*y*/) {
    if (button != Qt::MiddleButton || !bandDragFrom_) return;
    const int32_t from = *bandDragFrom_;
    bandDragFrom_.reset();
    ui_.Image1->ClearSelection();
    if (std::abs(x - from) < kSmallestDragColumns) return;
    Guard([&] {
        const FrequencyAxis axis = state_->session.Axis();
        const double a = axis.HzAtColumn(from);
        const double b = axis.HzAtColumn(x);
        if (SetBand(std::min(a, b), std::max(a, b))) Recompute();
    });
}

// A double click with the middle button returns to the whole band; with the others it is the
// press it has always been.
void TPirolex::Image1DoubleClick(Qt::MouseButton button, int x, int y) {
    if (button != Qt::MiddleButton) {
        Image1MouseDown(button, x, y);
        return;
    }
    bandDragFrom_.reset();
    ui_.Image1->ClearSelection();
    if (!CurrentSettings().BandZoomed()) return;
    BandResetButtonClick();
}

void TPirolex::Image1MouseLeave() {
    ui_.StatusBar1->SetPanelText(kReadoutPanel, QString());
}

// Empty outside the 2D picture's axis. The time is the middle of the block the line under the
// cursor was computed from; the speed is what a right click there would give, snap included (a
// dozen blocks, quick enough for every move).
void TPirolex::ShowReadout(int x, int y) {
    const WindowState& state = *state_;
    QString text;
    try {
        const PictureSession& session = state.session;
        const FrequencyAxis axis = session.Axis();
        const bool onAxis = state.fileLoaded && TraitsOf(CurrentSettings().picture).timeUpwards &&
                            session.GetRecording().sampleRate > 0 && x >= axis.PlotLeft() &&
                            x <= axis.EndColumn() && y >= 0 && y < ui_.Image1->height();
        if (onAxis) {
            std::optional<double> seconds;
            const int32_t line = LineAtRow(session.View(), y);
            if (line >= 1 && line <= session.Lines()) seconds = session.Time().Seconds(line);
            std::string readout = texts::CursorReadout(axis.HzAtColumn(x), seconds);
            if (const std::optional<PlacedMarker>& a = session.Marker(MarkerSide::kA))
                readout += "  " + texts::CursorSpeed(session.SpeedOf(*a, ClickedMarker(x, y)));
            text = QString::fromStdString(readout);
        }
    } catch (const std::exception&) {
        // A plot too narrow for an axis has nothing to read out; no message box for a move.
        text.clear();
    }
    ui_.StatusBar1->SetPanelText(kReadoutPanel, text);
}

}  // namespace pirolex
