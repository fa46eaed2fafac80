#include "window_controls.h"

#include "main_window.h"
#include "messages.h"
#include "picture_session.h"
#include "picture_span.h"
#include "toolbar_icons.h"
#include "widgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSignalBlocker>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace pirolex {

QFont DesignFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    return font;
}

QToolButton* AddToolButton(QWidget* toolBar, int x, int icon, const QString& hint) {
    auto* button = new QToolButton(toolBar);
    button->setIcon(ToolIcon(icon));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setGeometry(x, (kToolBarHeight - 22) / 2, 23, 22);
    return button;
}

namespace {

constexpr int kLiveButtonX = 161;
constexpr int kHelpButtonX = 762;  // left of "Info" (785)
constexpr int kSpanLengthWidth = 72;
constexpr const char* kLiveHint = "Live: am Mikrofon zuhören und jeden Vorbeiflug messen (Strg+L)";

QSlider* TrackBar(QWidget* parent, int min, int max, int position, const QString& hint) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setGeometry(8, 16, 169, 25);
    bar->setRange(min, max);
    bar->setValue(position);
    bar->setSingleStep(1);
    bar->setPageStep(2);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(1);
    bar->setToolTip(hint);
    return bar;
}

QGroupBox* GroupBox(QWidget* parent, const QString& caption, const QRect& place) {
    auto* box = new QGroupBox(caption, parent);
    box->setGeometry(place);
    return box;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void BuildToolBar(QWidget* window, WindowUi& ui_) {
    auto* bar = new QFrame(window);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ui_.ToolBar1 = bar;
    // Each hint names the button's key after the text it has always had.
    ui_.ToolButton1 = AddToolButton(ui_.ToolBar1, 0, 0, QStringLiteral("WAV-File laden (Strg+O)"));
    ui_.ToolButton2 = AddToolButton(ui_.ToolBar1, 23, 1, QStringLiteral("Sound abspielen"));
    ui_.ToolButton3 = AddToolButton(ui_.ToolBar1, 46, 2, QStringLiteral("Berechnung der Grafik (F5)"));
    ui_.ToolButton4 = AddToolButton(ui_.ToolBar1, 69, 3, QStringLiteral("Drucken des Fensters (Strg+P)"));
    ui_.ToolButton7 = AddToolButton(ui_.ToolBar1, 92, 7, QStringLiteral("Grafik speichern (Strg+S)"));
    ui_.ToolButton9 = AddToolButton(ui_.ToolBar1, 115, 8, QStringLiteral("Automatisch messen"));
    ui_.ToolButton10 = AddToolButton(ui_.ToolBar1, 138, 9, QStringLiteral("Messung kopieren (Strg+C)"));
    // ToolButton6 is the separator between x 161 and x 785.
    ui_.ToolButton8 = AddToolButton(ui_.ToolBar1, 785, 6, QStringLiteral("Info (F1)"));
    ui_.HelpButton = AddToolButton(ui_.ToolBar1, kHelpButtonX, 6, QStringLiteral("Hilfe (Umschalt+F1)"));
    ui_.HelpButton->setIcon(QIcon());
    ui_.HelpButton->setText(QStringLiteral("?"));
    ui_.HelpButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ui_.ToolButton5 = AddToolButton(ui_.ToolBar1, 808, 4, QStringLiteral("Ende (Strg+Q)"));
    for (QToolButton* b : {ui_.ToolButton2, ui_.ToolButton3, ui_.ToolButton4, ui_.ToolButton7,
                           ui_.ToolButton9, ui_.ToolButton10})
        b->setEnabled(false);
}

void BuildSelectors(QWidget* window, WindowUi& ui_) {
    ui_.KanalRadioGroup = new RadioGroup(
        QStringLiteral("Tonkanal"),
        {QStringLiteral("links"), QStringLiteral("rechts"), QStringLiteral("beide")}, window);
    ui_.KanalRadioGroup->setGeometry(16, 40, 89, 89);
    ui_.KanalRadioGroup->SetItemIndexQuietly(0);
    ui_.KanalRadioGroup->setToolTip(QStringLiteral("Auswahl der Tonspur"));

    // No design index: start-up selects "2D", and that selection runs the handler.
    QStringList pictures;
    for (int32_t i = 0; i < kPictureCount; ++i)
        pictures << QString::fromUtf8(texts::PictureName(static_cast<Picture>(i)));
    ui_.GrafikRadio = new RadioGroup(QStringLiteral("Grafikmode"), pictures, window);
    ui_.GrafikRadio->setGeometry(112, 40, 89, 89);
    ui_.GrafikRadio->setToolTip(QStringLiteral("Grafikmodeauswahl"));

    ui_.GenauRadioGroup = new RadioGroup(QStringLiteral("Genauigkeit"),
                                         {QStringLiteral("norm"), QStringLiteral("fein")}, window);
    ui_.GenauRadioGroup->setGeometry(16, 136, 89, 73);
    ui_.GenauRadioGroup->SetItemIndexQuietly(StartupSettings().accuracy == Accuracy::kExact ? 1 : 0);
    ui_.GenauRadioGroup->setToolTip(QStringLiteral("Genauigkeit der Grafikberechnung"));
}

void BuildCheckBoxes(QWidget* window, WindowUi& ui_) {
    ui_.PCheckbox = new QCheckBox(QStringLiteral("IQ-Phase"), window);
    ui_.PCheckbox->setGeometry(120, 144, 81, 25);
    ui_.PCheckbox->setChecked(StartupSettings().iqPhase);
    ui_.PCheckbox->setToolTip(QStringLiteral("Phase als Farbe anzeigen"));

    ui_.CFARCheckBox = new QCheckBox(QStringLiteral("const. PPL"), window);
    ui_.CFARCheckBox->setGeometry(120, 176, 73, 25);
    ui_.CFARCheckBox->setChecked(StartupSettings().filterMode == FilterMode::kConstantPoints);
    ui_.CFARCheckBox->setToolTip(QStringLiteral("Umschalten des Anzeigefilters"));
}

void BuildFilterGroups(QWidget* window, WindowUi& ui_) {
    const QRect place(16, 216, 185, 65);
    ui_.GroupBox1 = GroupBox(window, QStringLiteral("Schwellwert"), place);
    const Settings start = StartupSettings();
    ui_.LimTrackBar = TrackBar(ui_.GroupBox1, 0, 30, start.threshold, QStringLiteral("LimitSchwelle"));
    ui_.LimTrackBar->setSingleStep(5);
    ui_.LimLabel = Label(ui_.GroupBox1, QString(), 15, 44);

    ui_.GroupBox2 = GroupBox(window, QStringLiteral("Punkte pro Linie"), place);
    ui_.CFARTrackBar =
        TrackBar(ui_.GroupBox2, 5, 50, start.pointsPerLine, QStringLiteral("Punkte pro Linie"));
    ui_.CFARLabel = Label(ui_.GroupBox2, QString(), 19, 44);
}

void BuildLevelGroup(QWidget* window, WindowUi& ui_) {
    ui_.LevelGroup = GroupBox(window, QString::fromUtf8(texts::kLevelCaption), QRect(16, 216, 185, 65));
    const auto edit = [&](const char* name, const char* hint, int y, int min, int max, int value) {
        Label(ui_.LevelGroup, QString::fromUtf8(name), 10, y + 3);
        auto* box = new QSpinBox(ui_.LevelGroup);
        box->setGeometry(100, y, 72, 22);
        box->setLocale(QLocale::c());
        box->setRange(min, max);
        box->setValue(value);
        box->setSuffix(QStringLiteral(" dB"));
        box->setToolTip(QString::fromUtf8(hint));
        return box;
    };
    ui_.LevelRangeEdit = edit(texts::kLevelRangeName, texts::kLevelRangeHint, 16, 20, 150,
                              StartupSettings().levelRangeDb);
    ui_.LevelGainEdit = edit(texts::kLevelGainName, texts::kLevelGainHint, 39, 0, 60,
                             StartupSettings().levelGainDb);
    ui_.LevelGroup->setVisible(false);
}

void BuildFFTGroup(QWidget* window, WindowUi& ui_) {
    ui_.GroupBox3 = GroupBox(window, QStringLiteral("FFT-Filter-Zahl"), QRect(16, 288, 185, 65));
    // Starts at its minimum, so that start-up's move to the start size is a change and runs the
    // handler.
    ui_.TrackBar1 = TrackBar(ui_.GroupBox3, kSmallestFftExponent, kLargestFftExponent,
                             kSmallestFftExponent, QStringLiteral("Auflösung der FFT"));
    ui_.TrackBar1->setPageStep(1);
    ui_.FFTLabel = Label(ui_.GroupBox3, QString(), 20, 44);
}

void BuildTemperature(QWidget* window, WindowUi& ui_) {
    ui_.Label2 = Label(window, QStringLiteral("Lufttemperatur:"), 24, 360);
    ui_.Label2->setFont(DesignFont(13));
    ui_.Label2->adjustSize();

    ui_.SpinEdit1 = new ArrowSpinEdit(window);
    ui_.SpinEdit1->setGeometry(120, 360, 64, 22);
    ui_.SpinEdit1->setLocale(QLocale::c());  // its digits and minus sign as everywhere else
    ui_.SpinEdit1->setSuffix(QStringLiteral(" °C"));
    ui_.SpinEdit1->setRange(static_cast<int>(kTemperatureRange.lowest), static_cast<int>(kTemperatureRange.highest));
    ui_.SpinEdit1->setValue(StartupSettings().temperature);
    ui_.SpinEdit1->setToolTip(QStringLiteral("Lufttemperatur bei der Tonaufname"));

    // Under the temperature, in the room the left column has left above the status bar.
    ui_.TopSpeedLabel = Label(window, QStringLiteral("höchstens:"), 24, 390);
    ui_.TopSpeedLabel->setFont(DesignFont(13));
    ui_.TopSpeedLabel->adjustSize();
    ui_.TopSpeedEdit = new TypedSpinBox(window);
    // Counted once the entry is done, as the temperature is.
    ui_.TopSpeedEdit->setKeyboardTracking(false);
    ui_.TopSpeedEdit->setGeometry(120, 390, 81, 22);
    ui_.TopSpeedEdit->setLocale(QLocale::c());
    ui_.TopSpeedEdit->setSuffix(QStringLiteral(" km/h"));
    ui_.TopSpeedEdit->setRange(static_cast<int>(kTopSpeedRange.lowest), static_cast<int>(kTopSpeedRange.highest));
    ui_.TopSpeedEdit->setSingleStep(10);
    ui_.TopSpeedEdit->setValue(StartupSettings().maxSpeedKmh);
    ui_.TopSpeedEdit->setToolTip(QStringLiteral(
        "Höchstgeschwindigkeit des Modells: schneller misst die Automatik nicht, zwei Klicks "
        "gelten dann als zweifelhaft"));
}

void BuildStatusBar(QWidget* window, WindowUi& ui_) {
    // Panel 5, the readout under the cursor, at the right; panel 4 takes what the others leave.
    // Narrow enough that a long recording's span fits panel 4 at the default width.
    ui_.StatusBar1 = new PanelStatusBar({230, 110, 100, 60, 50, 185}, window, 4);
    ui_.StatusBar1->SetPanelText(0, QString::fromUtf8(texts::kNoFile));
}

void BuildSpanControls(QWidget* window, WindowUi& ui_) {
    ui_.SpanLabel = new QLabel(QString::fromUtf8(texts::kSpanCaption), window);
    ui_.SpanLabel->adjustSize();
    ui_.SpanEdit = new TypedDoubleSpinBox(window);
    ui_.SpanEdit->resize(80, 22);
    ui_.SpanEdit->setLocale(QLocale::c());  // "42.5", as every number the window shows
    ui_.SpanEdit->setDecimals(1);
    ui_.SpanEdit->setSingleStep(0.1);
    ui_.SpanEdit->setSuffix(QStringLiteral(" s"));
    // Typed digits count once the entry is done, not at every key.
    ui_.SpanEdit->setKeyboardTracking(false);
    ui_.SpanEdit->setToolTip(QString::fromUtf8(texts::kSpanHint));
    ui_.SpanLabel->setToolTip(ui_.SpanEdit->toolTip());
    ui_.SpanLabel->hide();
    ui_.SpanEdit->hide();

    ui_.SpanLengthLabel = new QLabel(QStringLiteral("Länge"), window);
    ui_.SpanLengthLabel->adjustSize();
    ui_.SpanLengthEdit = new TypedDoubleSpinBox(window);
    ui_.SpanLengthEdit->resize(kSpanLengthWidth, 22);
    ui_.SpanLengthEdit->setLocale(QLocale::c());
    ui_.SpanLengthEdit->setDecimals(1);
    ui_.SpanLengthEdit->setSingleStep(1.0);
    ui_.SpanLengthEdit->setSuffix(QStringLiteral(" s"));
    ui_.SpanLengthEdit->setKeyboardTracking(false);
    ui_.SpanLengthEdit->setToolTip(QStringLiteral("Länge des Ausschnitts, den die Grafik zeigt (Strg+Mausrad)"));
    ui_.SpanLengthLabel->setToolTip(ui_.SpanLengthEdit->toolTip());
    ui_.SpanLengthLabel->hide();
    ui_.SpanLengthEdit->hide();

    ui_.AsideProgress = new QLabel(window);
    ui_.AsideProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui_.AsideProgress->hide();
    ui_.CancelButton = new QPushButton(QStringLiteral("Abbrechen"), window);
    ui_.CancelButton->setToolTip(QStringLiteral("Abbrechen (Esc)"));
    ui_.CancelButton->hide();
}

}  // namespace

void BuildControls(QWidget* window, WindowUi& ui) {
    BuildToolBar(window, ui);
    BuildSelectors(window, ui);
    BuildCheckBoxes(window, ui);
    BuildFilterGroups(window, ui);
    BuildLevelGroup(window, ui);
    BuildFFTGroup(window, ui);
    BuildTemperature(window, ui);
    BuildStatusBar(window, ui);
    BuildSpanControls(window, ui);
    ui.LiveButton = AddToolButton(ui.ToolBar1, kLiveButtonX, 10, QString::fromUtf8(kLiveHint));
}

void ShowSpanControls(const WindowUi& ui, const PictureSession& session) {
    const Recording& recording = session.GetRecording();
    const bool needed = NeedsSpan(recording, session.SpanFrames());
    const QSignalBlocker quiet(ui.SpanEdit);
    ui.SpanEdit->setRange(0.0, LatestSpanStart(recording, session.SpanFrames()));
    ui.SpanEdit->setValue(session.SpanStartSeconds());
    ui.SpanLabel->setVisible(needed);
    ui.SpanEdit->setVisible(needed);
    const bool zoomable = recording.Seconds() > kShortestSpanSeconds;
    const QSignalBlocker quietLength(ui.SpanLengthEdit);
    ui.SpanLengthEdit->setRange(kShortestSpanSeconds,
                                std::max(kShortestSpanSeconds, std::ceil(recording.Seconds() * 10.0) / 10.0));
    ui.SpanLengthEdit->setValue(static_cast<double>(ShownFrames(recording, session.SpanFrames())) /
                                std::max(recording.sampleRate, 1));
    ui.SpanLengthLabel->setVisible(zoomable);
    ui.SpanLengthEdit->setVisible(zoomable);
}

}  // namespace pirolex
