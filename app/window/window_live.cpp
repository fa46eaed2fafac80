// Listening live: the tool button "Live" starts and stops listening on the chosen input; while
// it listens the plot shows the rolling picture (the newest line at the top), the status bar a
// level meter, and the speed label the last pass as soon as it is reported. When listening
// stops, or the device goes away, the take becomes an ordinary loaded recording. Each pass goes
// into "Vorbeiflüge" with the clock time it was reported at; once the take is loaded the list
// holds its passes as any recording's, in the take's own times. "Aufnahme speichern" writes the
// take as WAV, while listening and after.
#include "live_listener.h"
#include "live_texts.h"
#include "main_window.h"
#include "messages.h"
#include "recorded_date.h"
#include "rolling_picture.h"
#include "toolbar_icons.h"
#include "widgets.h"

#include <QComboBox>

#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTime>
#include <QProgressBar>
#include <QToolButton>

#include <cmath>
#include <ctime>

namespace pirolex {

namespace {

// The name the take goes by in the caption and the status bar once it is loaded.
constexpr const char* kTakeName = "Live-Aufnahme";
constexpr const char* kLiveHint = "Live: am Mikrofon zuhören und jeden Vorbeiflug messen (Strg+L)";
// Where the button and the input list sit in the tool bar: after the copy button.
constexpr int kLiveButtonX = 161;
constexpr int kInputBoxX = 186;
constexpr int kInputBoxWidth = 180;
constexpr int kLevelMeterWidth = 120;
constexpr int kSaveTakeX = kInputBoxX + kInputBoxWidth + 4;
constexpr int kSaveTakeWidth = 130;

}  // namespace

void TPirolex::BuildLiveControls() {
    ui_.LiveButton = AddToolButton(kLiveButtonX, 10, QString::fromUtf8(kLiveHint));
    ui_.LiveButton->setCheckable(true);
    ui_.InputBox = new QComboBox(ui_.ToolBar1);
    ui_.InputBox->setToolTip(QStringLiteral("Eingang"));
    ui_.InputBox->setGeometry(kInputBoxX, 2, kInputBoxWidth, 20);
    ui_.LevelMeter = new QProgressBar(ui_.StatusBar1);
    ui_.LevelMeter->setRange(0, 100);
    ui_.LevelMeter->setTextVisible(false);
    ui_.LevelMeter->setToolTip(QStringLiteral("Pegel am Eingang"));
    ui_.LevelMeter->hide();
    ui_.SaveTakeButton = new QPushButton(QString::fromUtf8(texts::kSaveTake), ui_.ToolBar1);
    ui_.SaveTakeButton->setToolTip(QString::fromUtf8(texts::kSaveTakeHint));
    ui_.SaveTakeButton->setGeometry(kSaveTakeX, 2, kSaveTakeWidth, 22);
    ui_.SaveTakeButton->hide();
    inputs_ = seams_.inputDevices ? seams_.inputDevices() : nullptr;
    const std::vector<std::string> names = inputs_ ? inputs_->Names() : std::vector<std::string>{};
    for (const std::string& name : names) ui_.InputBox->addItem(QString::fromStdString(name));
    // A list only where there is a choice.
    ui_.InputBox->setVisible(names.size() > 1);
    if (names.empty()) {
        ui_.LiveButton->setEnabled(false);
        ui_.LiveButton->setToolTip(QString::fromUtf8(texts::kNoMicrophone));
    }
}

void TPirolex::LiveButtonClick() {
    if (Listening())
        StopListening();
    else
        StartListening();
}

void TPirolex::StartListening() {
    std::unique_ptr<SampleSource> source =
        inputs_ ? inputs_->Open(ui_.InputBox->currentText().toStdString()) : nullptr;
    if (!source || source->SampleRate() <= 0) {
        ui_.LiveButton->setChecked(false);
        seams_.showMessage(this, MessageKind::Error, QString::fromUtf8(texts::kNoMicrophone));
        return;
    }
    LiveStreamSettings settings;
    settings.temperatureC = state_->session.CurrentSettings().temperature;
    settings.keptFrames = static_cast<int64_t>(kLiveKeptSeconds * source->SampleRate());
    rolling_ = std::make_unique<RollingPicture>(
        ui_.Image1->width(), ui_.Image1->height(),
        RollingLayout{.sampleRate = source->SampleRate(), .fftSize = settings.fftSize, .hopFrames = settings.hopFrames});
    LiveEvents events;
    events.line = [this](int64_t firstFrame, const std::vector<double>& levels) { ShowLiveLine(levels, firstFrame); };
    events.pass = [this](const FlybyPass& pass) { ShowLivePass(pass); };
    events.level = [this](double peak) { ShowLevel(peak); };
    events.ended = [this](bool lost, double seconds) { LiveEnded(lost, seconds); };
    listener_ = std::make_unique<LiveListener>(std::move(source), settings, std::move(events));
    ui_.LiveButton->setChecked(true);
    ui_.ToolButton1->setEnabled(false);
    ui_.InputBox->setEnabled(false);
    ui_.LevelMeter->setGeometry(ui_.StatusBar1->width() - kLevelMeterWidth - 4, 3, kLevelMeterWidth,
                                ui_.StatusBar1->height() - 6);
    ui_.LevelMeter->show();
    SetSpeedLabel(texts::kSpeedUnknown);
    // The list is the take's from now on; the loaded recording's passes come back if nothing is heard.
    {
        const QSignalBlocker quiet(ui_.PassList);
        ui_.PassList->clear();
    }
    ui_.SavePassListButton->setEnabled(false);
    ui_.PassDetails->clear();
    ui_.SaveTakeButton->show();
    ShowTakeSave();
    UpdateRulers();
}

void TPirolex::ShowLiveLine(const std::vector<double>& levels, int64_t firstFrame) {
    if (!rolling_) return;
    rolling_->AddLine({rolling_->LinesAdded() + 1, firstFrame, levels, {}});
    ui_.Image1->SetPicture(rolling_->Image());
    ui_.Image1->update();
    // The ruler's ticks move only while the picture is still filling.
    if (rolling_->LinesAdded() <= ui_.Image1->height() + 1) UpdateRulers();
}

// The label shows the last pass, as the automatic measurement shows its one.
void TPirolex::ShowLivePass(const FlybyPass& pass) {
    const std::string clock = QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
    ui_.PassList->addItem(QString::fromStdString(texts::LivePassListRow(clock, pass)));
    ui_.PassList->scrollToBottom();
    SetSpeedLabel(texts::PassHeading(pass.number, pass.heardS) + ": " + texts::WindowAutoSpeedText(pass.speed));
}

void TPirolex::ShowLevel(double peak) { ui_.LevelMeter->setValue(static_cast<int>(std::lround(peak * 100.0))); }

// The source ended by itself: a device that went away says so; what was heard is kept either way.
void TPirolex::LiveEnded(bool lost, double seconds) {
    if (!Listening()) return;
    StopListening();
    if (lost) seams_.showMessage(this, MessageKind::Error, QString::fromStdString(texts::InputLostText(seconds)));
}

void TPirolex::StopListening() {
    if (!listener_) return;
    StoppedTake take = listener_->Stop();
    listener_.reset();
    rolling_.reset();
    ui_.LiveButton->setChecked(false);
    ui_.ToolButton1->setEnabled(true);
    ui_.InputBox->setEnabled(true);
    ui_.LevelMeter->hide();
    ui_.SaveTakeButton = new QPushButton(QString::fromUtf8(texts::kSaveTake), ui_.ToolBar1);
    ui_.SaveTakeButton->setToolTip(QString::fromUtf8(texts::kSaveTakeHint));
    ui_.SaveTakeButton->setGeometry(kSaveTakeX, 2, kSaveTakeWidth, 22);
    ui_.SaveTakeButton->hide();
    const QString lastPass = ui_.Label1->text();
    if (take.recording.FrameCount() > 0) {
        LoadTake(std::move(take.recording));
        ShowTakePasses(std::move(take.passes), take.startS);
    } else {
        ShowPassList();
        UpdateRulers();
    }
    ShowTakeSave();
    // The last pass stays in the label until something is measured on the take.
    if (take.startS == 0.0 && lastPass.startsWith(QStringLiteral("Vorbeiflug"))) ui_.Label1->setText(lastPass);
}

// The take as if it had been read from a file.
void TPirolex::LoadTake(Recording take) {
    WindowState& state = *state_;
    const int32_t channels = take.ChannelCount();
    state.fileName = kTakeName;
    state.fileLoaded = true;
    // The take ends now; it began as long before as it lasts.
    state.recorded = LocalIsoTime(std::time(nullptr) - std::llround(take.Seconds()));
    ShowFileName();
    state.session.Load(std::move(take));
    shownTitle_ = windowTitle();
    ClearMeasurement();
    ShowRecording(channels);
    ShowSpanControl();
    EnableFileCommands(true);
    // Playing reads the file by its name, and the take has none (a file of that name in the
    // working folder is not it): "Aufnahme speichern" first, then open the file.
    ui_.ToolButton2->setEnabled(false);
    state.session.ChoosePicture(ui_.GrafikRadio->ItemIndex() >= 0
                                    ? static_cast<Picture>(ui_.GrafikRadio->ItemIndex())
                                    : state.session.CurrentSettings().picture);
    timer1_.stop();
    Recompute();
}

// The passes were found on the stream, whose times are the take's as long as nothing was let go;
// a take longer than what is kept is searched as any recording is.
void TPirolex::ShowTakePasses(std::vector<FlybyPass> passes, double startS) {
    WindowState& state = *state_;
    if (startS > 0.0) {
        MeasureAutomatically();
        return;
    }
    state.passes = std::move(passes);
    state.chosenPass = -1;
    ShowPassList();
}

bool TPirolex::TakeLoaded() const { return state_->fileLoaded && state_->fileName == kTakeName; }

void TPirolex::ShowTakeSave() {
    if (ui_.SaveTakeButton) ui_.SaveTakeButton->setEnabled(Listening() || TakeLoaded());
}

// Written beside the old file and renamed over it, so a failed write leaves the old one.
void TPirolex::SaveTakeClick() {
    Guard([this] {
        if (!Listening() && !TakeLoaded()) return;
        const std::optional<std::string> path =
            seams_.chooseTakeFile(this, QString::fromUtf8(kTakeName) + QStringLiteral(".wav"));
        if (!path) return;
        // The dialog ran its own event loop: listening may have ended meanwhile.
        const std::optional<Failure> failure =
            Listening() ? listener_->Save(*path) : SaveWav(state_->session.GetRecording(), *path);
        if (failure) ShowError(QString::fromStdString(texts::TakeNotSavedText(*path, texts::ErrorText(*failure))));
    });
}

}  // namespace pirolex
