// The window with its panels: the controls built, the panels made and wired to the handlers,
// the keys of the tool bar's commands, and dropped files.
#include "main_window.h"

#include "aside_work.h"
#include "branding.h"
#include "live_panel.h"
#include "live_texts.h"
#include "measurement_panel.h"
#include "messages.h"
#include "pass_panel.h"
#include "plot_panel.h"
#include "widgets.h"
#include "window_controls.h"
#include "window_effects.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QUrl>

#include <clocale>

namespace pirolex {

namespace {

// The one local recording a drag carries, or nothing. The name's ending decides, among those the
// open dialog offers; whether the content is readable is the load's business.
std::optional<std::string> DroppedRecording(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return std::nullopt;
    const QUrl url = mime->urls().front();
    if (!url.isLocalFile()) return std::nullopt;
    const QString path = url.toLocalFile();
    if (!RecordingSuffixes().contains(QFileInfo(path).suffix(), Qt::CaseInsensitive)) return std::nullopt;
    return path.toStdString();
}

}  // namespace

TPirolex::TPirolex(WindowSeams seams, QWidget* parent)
    : QWidget(parent), seams_(std::move(seams)), state_(std::make_unique<WindowState>()) {
    // Qt's application object has set the C library's locale from the desktop's, and on a German
    // desktop printf would then write " 0,5 s" into the status bar. Numbers are written with a
    // decimal point whatever the language, so only the number format goes back to "C".
    std::setlocale(LC_NUMERIC, "C");
    setWindowTitle(DesignCaption());
    setFont(DesignFont(11));
    setMinimumSize(kMinWidth - kFrameWidth, kMinHeight - kFrameHeight);
    resize(kDesignWidth - kFrameWidth, kDesignHeight - kFrameHeight);
    BuildControls(this, ui_);

    measurement_ = std::make_unique<MeasurementPanel>(this, state_->session);
    QFont speedFont = DesignFont(13);
    speedFont.setBold(true);
    speedFont.setUnderline(true);
    ui_.Label1 = measurement_->Label();
    ui_.Label1->setFont(speedFont);
    ui_.Label1->move(212, 48);
    ui_.Label1->adjustSize();
    ui_.Gauge1 = new Gauge(this);
    ui_.Gauge1->setGeometry(504 + kTimeRulerWidth, 48, 321, 17);  // right-aligned with the plot

    plot_ = std::make_unique<PlotPanel>(this, state_->session, state_->fileLoaded, ui_.StatusBar1);
    ui_.Image1 = plot_->Image();
    ui_.TimeRuler = plot_->TimeRuler();
    ui_.FrequencyRuler = plot_->FrequencyRuler();
    ui_.BandRow = plot_->BandRow();
    ui_.SnapBox = plot_->SnapBox();
    ui_.BandFromEdit = plot_->BandFromEdit();
    ui_.BandToEdit = plot_->BandToEdit();
    ui_.BandResetButton = plot_->BandResetButton();
    ui_.BandToneButton = plot_->BandToneButton();

    passes_ = std::make_unique<PassPanel>(this);
    ui_.PassListLabel = passes_->Caption();
    ui_.PassList = passes_->List();
    ui_.SavePassListButton = passes_->SaveButton();
    ui_.PassDetails = passes_->Details();
    ui_.Overview = passes_->Overview();

    live_ = std::make_unique<LivePanel>(ui_.LiveButton, ui_.ToolBar1, ui_.StatusBar1,
                                        seams_.inputDevices ? seams_.inputDevices() : nullptr);
    ui_.InputBox = live_->InputBox();
    ui_.LevelMeter = live_->LevelMeter();
    ui_.SaveTakeButton = live_->SaveTakeButton();

    effects_ = std::make_unique<WindowEffects>(EffectParts{
        .present = [this] { plot_->Canvas().Present(); },
        .picture = ui_.Image1,
        .gauge = ui_.Gauge1,
        .exitButton = ui_.ToolButton5,
        .pause = [this](int ms) { seams_.pause(ms); },
        .exit = [this] { ToolButton5Click(); },
    });

    // A key does what its button does, and nothing while the button is disabled. Ctrl+C is the
    // window's unless a text field takes it first: it copies the measurement, not the picture.
    const std::pair<QKeySequence, QToolButton*> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), ui_.ToolButton1}, {QKeySequence(Qt::CTRL | Qt::Key_S), ui_.ToolButton7},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ui_.ToolButton4}, {QKeySequence(Qt::Key_F5), ui_.ToolButton3},
        {QKeySequence(Qt::Key_F1), ui_.ToolButton8},           {QKeySequence(Qt::CTRL | Qt::Key_Q), ui_.ToolButton5},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ui_.ToolButton10}, {QKeySequence(Qt::CTRL | Qt::Key_L), ui_.LiveButton},
    };
    std::vector<QShortcut*> commandKeys;
    for (const auto& [key, button] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, [this, button] {
            if (button->isEnabled())
                button->click();
            else if (button == ui_.LiveButton && !live_->HasInput())
                ui_.StatusBar1->SetPanelText(4, QString::fromUtf8(texts::kNoMicrophone));
        });
        if (button != ui_.ToolButton5) commandKeys.push_back(shortcut);
    }
    aside_ = std::make_unique<AsideWork>(this, ui_.AsideProgress, ui_.CancelButton, commandKeys);

    timer1_.setSingleShot(true);
    timer1_.setInterval(kDebounceMs);
    connect(&timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });

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
    connect(ui_.HelpButton, &QToolButton::clicked, this, [this] { HelpButtonClick(); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { HelpButtonClick(); });
    ui_.KanalRadioGroup->OnClick = [this] { KanalRadioGroupClick(); };
    ui_.GenauRadioGroup->OnClick = [this] { GenauRadioGroupClick(); };
    ui_.GrafikRadio->OnClick = [this] { GrafikRadioClick(); };
    connect(ui_.PCheckbox, &QCheckBox::toggled, this, [this] { PCheckboxClick(); });
    connect(ui_.CFARCheckBox, &QCheckBox::toggled, this, [this] { CFARCheckBoxClick(); });
    connect(ui_.LimTrackBar, &QSlider::valueChanged, this, [this] { LimTrackBarChange(); });
    connect(ui_.CFARTrackBar, &QSlider::valueChanged, this, [this] { CFARTrackBarChange(); });
    connect(ui_.TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(ui_.SpinEdit1, &QDoubleSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    ConnectPanelHandlers();
    ShowToneBandPossible();
    setAcceptDrops(true);
    FormResize();
}

TPirolex::~TPirolex() {
    // The search reads the session's recording: it ends before the recording goes.
    aside_->Stop();
    live_->Stop();
}

TPirolex::Panels TPirolex::Parts() {
    return {*plot_, *measurement_, *passes_, *live_, plot_->Canvas(), timer1_, aside_->Busy(), recomputeRuns_};
}

texts::RecordValues MeasurementRecord(TPirolex& window) {
    const TPirolex::Panels parts = window.Parts();
    // A take's pass is named where the take has more than one.
    const FlybyPass* pass = parts.passes.Passes().size() > 1 ? parts.passes.Chosen() : nullptr;
    return parts.measurement.Record(window.State().fileName, pass);
}

// Files dragged onto the window: one recording is taken, anything else refused while it is still
// being dragged.
void TPirolex::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedRecording(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

// The load runs once the drop has finished: a long file or an error box would otherwise hold the
// program the file came from until it is dealt with.
void TPirolex::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DroppedRecording(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QMetaObject::invokeMethod(this, [this, file = *path] { FormDropFiles(file); }, Qt::QueuedConnection);
}

}  // namespace pirolex
