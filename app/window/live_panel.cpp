#include "live_panel.h"

#include "live_texts.h"
#include "messages.h"
#include "rolling_picture.h"
#include "widgets.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

#include <cmath>

namespace pirolex {

namespace {

// Where the input list and the save button sit in the tool bar: after the "Live" button.
constexpr int kInputBoxX = 186;
constexpr int kInputBoxWidth = 180;
constexpr int kLevelMeterWidth = 120;
constexpr int kSaveTakeX = kInputBoxX + kInputBoxWidth + 4;
constexpr int kSaveTakeWidth = 130;

}  // namespace

LivePanel::LivePanel(QToolButton* button, QWidget* toolBar, PanelStatusBar* status,
                     std::unique_ptr<InputDevices> inputs)
    : button_(button),
      inputBox_(new QComboBox(toolBar)),
      levelMeter_(new QProgressBar(status)),
      saveTake_(new QPushButton(QString::fromUtf8(texts::kSaveTake), toolBar)),
      status_(status),
      inputs_(std::move(inputs)) {
    button_->setCheckable(true);
    inputBox_->setToolTip(QStringLiteral("Eingang"));
    inputBox_->setGeometry(kInputBoxX, 2, kInputBoxWidth, 20);
    levelMeter_->setRange(0, 100);
    levelMeter_->setTextVisible(false);
    levelMeter_->setToolTip(QStringLiteral("Pegel am Eingang"));
    levelMeter_->hide();
    saveTake_->setToolTip(QString::fromUtf8(texts::kSaveTakeHint));
    saveTake_->setGeometry(kSaveTakeX, 2, kSaveTakeWidth, 22);
    saveTake_->hide();
    const std::vector<std::string> names = inputs_ ? inputs_->Names() : std::vector<std::string>{};
    for (const std::string& name : names) inputBox_->addItem(QString::fromStdString(name));
    // A list only where there is a choice.
    inputBox_->setVisible(names.size() > 1);
    if (names.empty()) {
        button_->setEnabled(false);
        button_->setToolTip(QString::fromUtf8(texts::kNoMicrophone));
    }
}

LivePanel::~LivePanel() = default;

bool LivePanel::HasInput() const { return inputBox_->count() > 0; }

bool LivePanel::Start(double temperatureC, QSize plot) {
    std::unique_ptr<SampleSource> source = inputs_ ? inputs_->Open(inputBox_->currentText().toStdString()) : nullptr;
    if (!source || source->SampleRate() <= 0) {
        button_->setChecked(false);
        return false;
    }
    LiveStreamSettings settings;
    settings.temperatureC = temperatureC;
    settings.keptFrames = static_cast<int64_t>(kLiveKeptSeconds * source->SampleRate());
    layout_ = RollingLayout{.sampleRate = source->SampleRate(), .fftSize = settings.fftSize, .hopFrames = settings.hopFrames};
    rolling_ = std::make_unique<RollingPicture>(plot.width(), plot.height(), layout_);
    LiveEvents events;
    events.line = [this](int64_t firstFrame, const std::vector<double>& levels) {
        if (!rolling_) return;
        rolling_->AddLine({rolling_->LinesAdded() + 1, firstFrame, levels, {}});
        if (lineAdded) lineAdded();
    };
    events.pass = [this](const FlybyPass& pass) {
        if (passHeard) passHeard(pass);
    };
    events.level = [this](double peak) { levelMeter_->setValue(static_cast<int>(std::lround(peak * 100.0))); };
    events.ended = [this](bool lost, double seconds) {
        if (Listening() && ended) ended(lost, seconds);
    };
    listener_ = std::make_unique<LiveListener>(std::move(source), settings, std::move(events));
    button_->setChecked(true);
    inputBox_->setEnabled(false);
    levelMeter_->setGeometry(status_->width() - kLevelMeterWidth - 4, 3, kLevelMeterWidth, status_->height() - 6);
    levelMeter_->show();
    saveTake_->show();
    ShowSave(false);
    return true;
}

StoppedTake LivePanel::Stop() {
    if (!listener_) return {};
    StoppedTake take = listener_->Stop();
    listener_.reset();
    rolling_.reset();
    button_->setChecked(false);
    inputBox_->setEnabled(true);
    levelMeter_->hide();
    return take;
}

void LivePanel::Resize(QSize plot) {
    if (!rolling_ || (rolling_->Image().width() == plot.width() && rolling_->Image().height() == plot.height())) return;
    rolling_ = std::make_unique<RollingPicture>(plot.width(), plot.height(), layout_);
}

std::optional<Failure> LivePanel::Save(const std::string& path) {
    if (!listener_) return std::nullopt;
    return listener_->Save(path);
}

void LivePanel::ShowSave(bool takeShown) { saveTake_->setEnabled(Listening() || takeShown); }

}  // namespace pirolex
