// Building the window: every control at its design place with its design values. Positions are
// pixels from the client area's top-left corner at the design size.
#include "main_window.h"

#include "audio_decoder.h"
#include "branding.h"
#include "live_listener.h"
#include "messages.h"
#include "recording_file.h"
#include "rolling_picture.h"
#include "ruler.h"
#include "toolbar_icons.h"
#include "widgets.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

#include <clocale>

namespace pirolex {

namespace {

constexpr int kToolBarHeight = 33;
constexpr int kStatusBarHeight = 21;

// A sans serif as narrow as the classic 8-point dialog font, so that every caption fits the place
// the layout gives it; the wider DejaVu Sans only where it is missing.
QFont DesignFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(pixelSize);
    return font;
}

// Qt's application object has set the C library's locale from the desktop's, and on a German
// desktop printf would then write " 0,5 s" into the status bar. Numbers are written with a
// decimal point whatever the language, so only the number format goes back to "C".
void KeepNumbersLocaleFree() {
    std::setlocale(LC_NUMERIC, "C");
}

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

}  // namespace

TPirolex::TPirolex(WindowSeams seams, QWidget* parent)
    : QWidget(parent),
      seams_(std::move(seams)),
      state_(std::make_unique<WindowState>()),
      canvas_(615, 271),
      effects_(std::make_unique<WindowEffects>(*this)) {
    KeepNumbersLocaleFree();
    // The window's module carries the decoder itself (the program loads it with the window).
    SetFileDecoder(&DecodeFile);
    setWindowTitle(DesignCaption());
    setFont(DesignFont(11));
    setMinimumSize(kMinWidth - kFrameWidth, kMinHeight - kFrameHeight);
    resize(kDesignWidth - kFrameWidth, kDesignHeight - kFrameHeight);
    BuildToolBar();
    BuildSelectors();
    BuildCheckBoxes();
    BuildFilterGroups();
    BuildLevelGroup();
    BuildFFTGroup();
    BuildPlotArea();
    BuildTemperature();
    BuildStatusBar();
    BuildSpanControls();
    BuildBandRow();
    BuildPassList();
    BuildLiveControls();
    AlignBars();
    canvas_.SetPresenter([this](const QImage& picture) {
        ui_.Image1->SetPicture(picture);
        ui_.Image1->repaint();
        UpdateRulers();
    });
    timer1_.setSingleShot(true);
    timer1_.setInterval(kDebounceMs);
    connect(&timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    timer1_.start();
    ConnectCommands();
    ConnectControls();
    setAcceptDrops(true);
}

TPirolex::~TPirolex() = default;

void TPirolex::BuildToolBar() {
    auto* bar = new QFrame(this);
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ui_.ToolBar1 = bar;
    // Each hint names the button's key after the text it has always had.
    ui_.ToolButton1 = AddToolButton(0, 0, QStringLiteral("WAV-File laden (Strg+O)"));
    ui_.ToolButton2 = AddToolButton(23, 1, QStringLiteral("Sound abspielen"));
    ui_.ToolButton3 = AddToolButton(46, 2, QStringLiteral("Berechnung der Grafik (F5)"));
    ui_.ToolButton4 = AddToolButton(69, 3, QStringLiteral("Drucken des Fensters (Strg+P)"));
    ui_.ToolButton7 = AddToolButton(92, 7, QStringLiteral("Grafik speichern (Strg+S)"));
    ui_.ToolButton9 = AddToolButton(115, 8, QStringLiteral("Automatisch messen"));
    ui_.ToolButton10 = AddToolButton(138, 9, QStringLiteral("Messung kopieren (Strg+C)"));
    // ToolButton6 is the separator between x 161 and x 785.
    ui_.ToolButton8 = AddToolButton(785, 6, QStringLiteral("Info (F1)"));
    ui_.ToolButton5 = AddToolButton(808, 4, QStringLiteral("Ende (Strg+Q)"));
    for (QToolButton* b : {ui_.ToolButton2, ui_.ToolButton3, ui_.ToolButton4, ui_.ToolButton7,
                           ui_.ToolButton9, ui_.ToolButton10})
        b->setEnabled(false);
}

QToolButton* TPirolex::AddToolButton(int x, int icon, const QString& hint) {
    auto* button = new QToolButton(ui_.ToolBar1);
    button->setIcon(ToolIcon(icon));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setGeometry(x, (kToolBarHeight - 22) / 2, 23, 22);
    return button;
}

void TPirolex::BuildSelectors() {
    ui_.KanalRadioGroup = new RadioGroup(
        QStringLiteral("Tonkanal"),
        {QStringLiteral("links"), QStringLiteral("rechts"), QStringLiteral("beide")}, this);
    ui_.KanalRadioGroup->setGeometry(16, 40, 89, 89);
    ui_.KanalRadioGroup->SetItemIndexQuietly(0);
    ui_.KanalRadioGroup->setToolTip(QStringLiteral("Auswahl der Tonspur"));

    // No design index: start-up selects "2D", and that selection runs the handler.
    QStringList pictures;
    for (int32_t i = 0; i < kPictureCount; ++i)
        pictures << QString::fromUtf8(texts::PictureName(static_cast<Picture>(i)));
    ui_.GrafikRadio = new RadioGroup(QStringLiteral("Grafikmode"), pictures, this);
    ui_.GrafikRadio->setGeometry(112, 40, 89, 89);
    ui_.GrafikRadio->setToolTip(QStringLiteral("Grafikmodeauswahl"));

    ui_.GenauRadioGroup = new RadioGroup(QStringLiteral("Genauigkeit"),
                                         {QStringLiteral("norm"), QStringLiteral("fein")}, this);
    ui_.GenauRadioGroup->setGeometry(16, 136, 89, 73);
    ui_.GenauRadioGroup->SetItemIndexQuietly(StartupSettings().accuracy == Accuracy::kExact ? 1 : 0);
    ui_.GenauRadioGroup->setToolTip(QStringLiteral("Genauigkeit der Grafikberechnung"));
}

void TPirolex::BuildCheckBoxes() {
    ui_.PCheckbox = new QCheckBox(QStringLiteral("IQ-Phase"), this);
    ui_.PCheckbox->setGeometry(120, 144, 81, 25);
    ui_.PCheckbox->setChecked(StartupSettings().iqPhase);
    ui_.PCheckbox->setToolTip(QStringLiteral("Phase als Farbe anzeigen"));

    ui_.CFARCheckBox = new QCheckBox(QStringLiteral("const. PPL"), this);
    ui_.CFARCheckBox->setGeometry(120, 176, 73, 25);
    ui_.CFARCheckBox->setChecked(StartupSettings().filterMode == FilterMode::kConstantPoints);
    ui_.CFARCheckBox->setToolTip(QStringLiteral("Umschalten des Anzeigefilters"));
}

void TPirolex::BuildFilterGroups() {
    const QRect place(16, 216, 185, 65);
    ui_.GroupBox1 = GroupBox(this, QStringLiteral("Schwellwert"), place);
    const Settings start = StartupSettings();
    ui_.LimTrackBar = TrackBar(ui_.GroupBox1, 0, 30, start.threshold, QStringLiteral("LimitSchwelle"));
    ui_.LimTrackBar->setSingleStep(5);
    ui_.LimLabel = Label(ui_.GroupBox1, QString(), 15, 44);

    ui_.GroupBox2 = GroupBox(this, QStringLiteral("Punkte pro Linie"), place);
    ui_.CFARTrackBar =
        TrackBar(ui_.GroupBox2, 5, 50, start.pointsPerLine, QStringLiteral("Punkte pro Linie"));
    ui_.CFARLabel = Label(ui_.GroupBox2, QString(), 19, 44);
}

void TPirolex::BuildLevelGroup() {
    ui_.LevelGroup = GroupBox(this, QString::fromUtf8(texts::kLevelCaption), QRect(16, 216, 185, 65));
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

void TPirolex::BuildFFTGroup() {
    ui_.GroupBox3 = GroupBox(this, QStringLiteral("FFT-Filter-Zahl"), QRect(16, 288, 185, 65));
    // Starts at its minimum, so that start-up's move to the start size is a change and runs the
    // handler.
    ui_.TrackBar1 = TrackBar(ui_.GroupBox3, kSmallestFftExponent, kLargestFftExponent,
                             kSmallestFftExponent, QStringLiteral("Auflösung der FFT"));
    ui_.TrackBar1->setPageStep(1);
    ui_.FFTLabel = Label(ui_.GroupBox3, QString(), 20, 44);
}

void TPirolex::BuildPlotArea() {
    QFont speedFont = DesignFont(13);
    speedFont.setBold(true);
    speedFont.setUnderline(true);
    ui_.Label1 = new QLabel(QString::fromUtf8(texts::kSpeedUnknown), this);
    ui_.Label1->setFont(speedFont);
    ui_.Label1->move(212, 48);
    ui_.Label1->adjustSize();

    ui_.Gauge1 = new Gauge(this);
    ui_.Gauge1->setGeometry(504 + kTimeRulerWidth, 48, 321, 17);  // right-aligned with the plot

    ui_.Image1 = new PlotImage(this);
    ui_.Image1->move(210 + kTimeRulerWidth, 74);
    ui_.Image1->ResizePicture(615, 271);
    ui_.Image1->setToolTip(QString::fromUtf8(texts::kMeasureHint));

    ui_.TimeRuler = new Ruler(Qt::Vertical, QStringLiteral("s"), this);
    ui_.FrequencyRuler = new Ruler(Qt::Horizontal, QStringLiteral("Hz"), this);
    ui_.BandRow = new QWidget(this);
    auto* bandLayout = new QHBoxLayout(ui_.BandRow);
    bandLayout->setContentsMargins(0, 0, 0, 0);
    PlaceAroundPlot();
}

void TPirolex::PlaceAroundPlot() {
    const QRect plot = ui_.Image1->geometry();
    ui_.TimeRuler->setGeometry(plot.left() - kTimeRulerWidth, plot.top(), kTimeRulerWidth,
                               plot.height());
    ui_.FrequencyRuler->setGeometry(plot.left(), plot.bottom() + 1, plot.width(),
                                    kFrequencyRulerHeight);
    ui_.BandRow->setGeometry(plot.left(), ui_.FrequencyRuler->geometry().bottom() + 1 + kBandRowGap,
                             plot.width(), kBandRowHeight);
}

// The rulers describe the picture as drawn: its recording, axis, view and rows. Before the first
// load there is nothing to describe.
void TPirolex::UpdateRulers() {
    // While listening the time ruler counts seconds before the newest line, at the top.
    if (rolling_) {
        ui_.TimeRuler->SetTicks(RollingTimeTicks(*rolling_), true);
        return;
    }
    const WindowState& state = *state_;
    const PictureSession& session = state.session;
    const Recording& recording = session.GetRecording();
    const int plotWidth = ui_.Image1->width();
    const bool drawn = state.fileLoaded && recording.sampleRate > 0;
    ui_.FrequencyRuler->SetTicks(drawn ? FrequencyTicks(session.Axis(), plotWidth)
                                       : std::vector<RulerTick>{});
    const bool timed = drawn && TraitsOf(session.CurrentSettings().picture).timeUpwards;
    const TimeSpan span{recording.sampleRate, recording.FrameCount(), session.LineStep(),
                        session.SpanFirst(), session.CurrentSettings().FftSize()};
    ui_.TimeRuler->SetTicks(timed ? TimeTicks(session.View(), ui_.Image1->height(), span)
                                  : std::vector<RulerTick>{});
}

void TPirolex::BuildTemperature() {
    ui_.Label2 = Label(this, QStringLiteral("Lufttemperatur:"), 24, 360);
    ui_.Label2->setFont(DesignFont(13));
    ui_.Label2->adjustSize();

    ui_.SpinEdit1 = new ArrowSpinEdit(this);
    ui_.SpinEdit1->setGeometry(120, 360, 64, 22);
    ui_.SpinEdit1->setLocale(QLocale::c());  // its digits and minus sign as everywhere else
    ui_.SpinEdit1->setSuffix(QStringLiteral(" °C"));
    ui_.SpinEdit1->setRange(-20, 40);
    ui_.SpinEdit1->setValue(StartupSettings().temperature);
    ui_.SpinEdit1->setToolTip(QStringLiteral("Lufttemperatur bei der Tonaufname"));

    // Under the temperature, in the room the left column has left above the status bar.
    ui_.TopSpeedLabel = Label(this, QStringLiteral("höchstens:"), 24, 390);
    ui_.TopSpeedLabel->setFont(DesignFont(13));
    ui_.TopSpeedLabel->adjustSize();
    ui_.TopSpeedEdit = new TypedSpinBox(this);
    // Counted once the entry is done, as the temperature is.
    ui_.TopSpeedEdit->setKeyboardTracking(false);
    ui_.TopSpeedEdit->setGeometry(120, 390, 81, 22);
    ui_.TopSpeedEdit->setLocale(QLocale::c());
    ui_.TopSpeedEdit->setSuffix(QStringLiteral(" km/h"));
    ui_.TopSpeedEdit->setRange(10, 2000);
    ui_.TopSpeedEdit->setSingleStep(10);
    ui_.TopSpeedEdit->setValue(StartupSettings().maxSpeedKmh);
    ui_.TopSpeedEdit->setToolTip(QStringLiteral(
        "Höchstgeschwindigkeit des Modells: schneller misst die Automatik nicht, zwei Klicks "
        "gelten dann als zweifelhaft"));
}

void TPirolex::BuildStatusBar() {
    // Panel 5, the readout under the cursor, at the right; panel 4 takes what the others leave.
    // Narrow enough that a long recording's span fits panel 4 at the default width.
    ui_.StatusBar1 = new PanelStatusBar({230, 110, 100, 60, 50, 185}, this, 4);
    ui_.StatusBar1->SetPanelText(0, QString::fromUtf8(texts::kNoFile));
}

void TPirolex::ConnectCommands() {
    connect(ui_.ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
    connect(ui_.ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    connect(ui_.ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
    connect(ui_.ToolButton4, &QToolButton::clicked, this, [this] { ToolButton4Click(); });
    connect(ui_.ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });
    connect(ui_.ToolButton9, &QToolButton::clicked, this, [this] { ToolButton9Click(); });
    connect(ui_.ToolButton8, &QToolButton::clicked, this, [this] { ToolButton8Click(); });
    connect(ui_.ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
    connect(ui_.ToolButton10, &QToolButton::clicked, this, [this] { ToolButton10Click(); });
    connect(ui_.LiveButton, &QToolButton::clicked, this, [this] { LiveButtonClick(); });
    connect(ui_.SaveTakeButton, &QPushButton::clicked, this, [this] { SaveTakeClick(); });
    ConnectKeys();
}

// A key does what its button does, and nothing while the button is disabled. Ctrl+C is the
// window's unless a text field takes it first: it copies the measurement, not the picture.
void TPirolex::ConnectKeys() {
    const std::pair<QKeySequence, QToolButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), ui_.ToolButton1},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ui_.ToolButton7},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ui_.ToolButton4},
        {QKeySequence(Qt::Key_F5), ui_.ToolButton3},
        {QKeySequence(Qt::Key_F1), ui_.ToolButton8},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), ui_.ToolButton5},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ui_.ToolButton10},
        {QKeySequence(Qt::CTRL | Qt::Key_L), ui_.LiveButton},
    };
    for (const auto& [key, button] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
        if (button != ui_.ToolButton5) commandKeys_.push_back(shortcut);
    }
    // Strg+Z has no button: it takes back the last marker or automatic measurement.
    auto* takeBack = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this);
    connect(takeBack, &QShortcut::activated, this, [this] { TakeBackLastMarker(); });
}

void TPirolex::ConnectControls() {
    ui_.KanalRadioGroup->OnClick = [this] { KanalRadioGroupClick(); };
    ui_.GenauRadioGroup->OnClick = [this] { GenauRadioGroupClick(); };
    ui_.GrafikRadio->OnClick = [this] { GrafikRadioClick(); };
    connect(ui_.PCheckbox, &QCheckBox::toggled, this, [this] { PCheckboxClick(); });
    connect(ui_.CFARCheckBox, &QCheckBox::toggled, this, [this] { CFARCheckBoxClick(); });
    connect(ui_.LimTrackBar, &QSlider::valueChanged, this, [this] { LimTrackBarChange(); });
    connect(ui_.CFARTrackBar, &QSlider::valueChanged, this, [this] { CFARTrackBarChange(); });
    connect(ui_.TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(ui_.LevelRangeEdit, &QSpinBox::valueChanged, this, [this] { LevelEditChange(); });
    connect(ui_.LevelGainEdit, &QSpinBox::valueChanged, this, [this] { LevelEditChange(); });
    connect(ui_.SpinEdit1, &QDoubleSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    connect(ui_.TopSpeedEdit, &QSpinBox::valueChanged, this, [this] { TopSpeedEditChange(); });
    ui_.Image1->OnMouseDown = [this](Qt::MouseButton button, int x, int y) {
        Image1MouseDown(button, x, y);
    };
}

// The tool bar and the status bar span the window's width, whatever it is.
void TPirolex::AlignBars() {
    ui_.ToolBar1->setGeometry(0, 0, width(), kToolBarHeight);
    ui_.StatusBar1->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
}

}  // namespace pirolex
