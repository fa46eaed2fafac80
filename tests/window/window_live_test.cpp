// "Live" through the window with a fake input: the rolling picture, its time ruler and the level
// while it listens, the pass in the speed label and in "Vorbeiflüge" as soon as it is reported,
// the take saved as WAV, the take loaded as a recording with its passes when the device goes away,
// and the button off without a microphone.
#include "flyby.h"
#include "live_texts.h"
#include "loudness_overview.h"
#include "overview_strip.h"
#include "ruler.h"
#include "wav_reader.h"
#include "widgets.h"
#include "window_fixture.h"
#include "work_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace pirolex::testing {
namespace {

// A take handed out in chunks as fast as it is pulled; then the device stays open, delivering
// nothing, until the test lets it go away.
class HeldTake : public SampleSource {
public:
    explicit HeldTake(Recording take) : take_(std::move(take)) {}
    int32_t SampleRate() const override { return take_.sampleRate; }
    int32_t ChannelCount() const override { return take_.ChannelCount(); }
    SourceState Pull(int64_t maxFrames, SourceBlock& block) override {
        block.channels.assign(take_.channels.size(), {});
        const int64_t count = std::min(maxFrames, take_.FrameCount() - next_);
        if (count > 0) {
            for (size_t c = 0; c < take_.channels.size(); ++c)
                block.channels[c].assign(take_.channels[c].begin() + next_, take_.channels[c].begin() + next_ + count);
            next_ += count;
            return SourceState::kFrames;
        }
        std::unique_lock lock(mutex_);
        // Nothing yet, as a quiet device between two blocks; the listener may stop meanwhile.
        if (!gone_) changed_.wait_for(lock, std::chrono::milliseconds(5));
        return gone_ ? SourceState::kLost : SourceState::kFrames;
    }
    void GoAway() {
        const std::lock_guard lock(mutex_);
        gone_ = true;
        changed_.notify_all();
    }

private:
    Recording take_;
    int64_t next_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool gone_ = false;
};

class TwoMicrophones : public InputDevices {
public:
    TwoMicrophones(Recording take, HeldTake*& opened) : take_(std::move(take)), opened_(opened) {}
    std::vector<std::string> Names() override { return {"Eingebautes Mikrofon", "USB Mic"}; }
    std::unique_ptr<SampleSource> Open(const std::string& name) override {
        if (name != "USB Mic") return nullptr;
        auto source = std::make_unique<HeldTake>(take_);
        opened_ = source.get();
        return source;
    }

private:
    Recording take_;
    HeldTake*& opened_;
};

Recording Flight() {
    flyby::Params p;
    p.speedKmh = 110;
    p.baseFrequency = 2200;
    p.sampleRate = 48000;
    p.channels = 2;
    p.seconds = 12;
    Recording r;
    r.sampleRate = p.sampleRate;
    r.channels = flyby::PcmChannels(p);
    return r;
}

class LiveTest : public WindowTest {};

TEST_F(LiveTest, WithoutAMicrophoneTheButtonIsOff) {
    Start();
    EXPECT_FALSE(Ui().LiveButton->isEnabled());
    EXPECT_EQ(Ui().LiveButton->toolTip(), QStringLiteral("Kein Mikrofon gefunden"));
    EXPECT_FALSE(Ui().InputBox->isVisibleTo(&Window()));
    // Strg+L says so where the user looks.
    Window().show();
    QApplication::setActiveWindow(&Window());
    QTest::keyClick(&Window(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), QStringLiteral("Kein Mikrofon gefunden"));
    Window().hide();
}

// While listening the rulers and clicks belong to the rolling picture, not to the recording
// loaded before; each take is adopted with its own loudness in the strip; and however often the
// user listens, there is one "Aufnahme speichern", the one shown.
TEST_F(LiveTest, ListeningActsOnThePictureShownAndEveryTakeIsAdoptedAlike) {
    const Recording take = Flight();
    HeldTake* device = nullptr;
    fake_.inputs = [&] { return std::make_unique<TwoMicrophones>(take, device); };
    Start({StereoFile("live_before.wav")});  // 8 kHz: its axis ends at 4 kHz
    Window().show();
    Ui().InputBox->setCurrentIndex(1);
    for (int round = 0; round < 2; ++round) {
        Ui().LiveButton->click();
        ASSERT_TRUE(Ui().LiveButton->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(Ui().LevelMeter->value() > 0 && Ui().TimeRuler->Ticks().size() > 2, 10000);
        int highest = 0;
        for (const RulerTick& tick : Ui().FrequencyRuler->Ticks())
            if (!tick.label.isEmpty()) highest = std::max(highest, tick.label.toInt());
        EXPECT_GT(highest, 10000) << "the rolling picture's 24 kHz, not the file's 4 kHz";
        Window().Image1MouseDown(Qt::LeftButton, 100, 100);
        EXPECT_FALSE(State().session.Marker(MarkerSide::kA).has_value()) << "no marker on a picture not shown";
        // Nor a search of the file, nor its picture drawn by a resize.
        Window().ToolButton9Click();
        EXPECT_FALSE(Window().Parts().searching);
        ResizeOuter(Window(), OuterWidth(Window()) + 40 * (1 - 2 * round), OuterHeight(Window()));
        Window().Timer1Timer();
        EXPECT_GT(Ui().FrequencyRuler->Ticks().back().position, 0);
        int highestAfter = 0;
        for (const RulerTick& tick : Ui().FrequencyRuler->Ticks())
            if (!tick.label.isEmpty()) highestAfter = std::max(highestAfter, tick.label.toInt());
        EXPECT_EQ(highestAfter, highest) << "the rolling picture's ruler after a resize";
        Ui().LiveButton->click();
        ASSERT_FALSE(Ui().LiveButton->isChecked());
        EXPECT_EQ(State().fileName, "Live-Aufnahme");
        EXPECT_EQ(Ui().Overview->LoudnessDb(), LoudnessOverview(State().session.GetRecording(), 1024));
    }
    int saveButtons = 0;
    for (const QPushButton* b : Window().findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Aufnahme speichern")) ++saveButtons;
    EXPECT_EQ(saveButtons, 1);
    EXPECT_TRUE(Ui().SaveTakeButton->isVisible());
    EXPECT_TRUE(Ui().SaveTakeButton->isEnabled());
    Window().hide();
}

TEST_F(LiveTest, ListensRollsThePictureAndKeepsTheTakeWhenTheDeviceGoes) {
    const Recording take = Flight();
    HeldTake* device = nullptr;
    fake_.inputs = [&] { return std::make_unique<TwoMicrophones>(take, device); };
    Start();
    ASSERT_TRUE(Ui().LiveButton->isEnabled());
    ASSERT_TRUE(Ui().InputBox->isVisibleTo(&Window()));
    Ui().InputBox->setCurrentIndex(1);
    Ui().LiveButton->click();
    ASSERT_TRUE(Ui().LiveButton->isChecked());
    ASSERT_NE(device, nullptr);

    // The pass at 6 s, in the label while the device is still open.
    QTRY_VERIFY_WITH_TIMEOUT(Ui().Label1->text().startsWith(QStringLiteral("Vorbeiflug 1 bei 0:06.0: Geschwindigkeit: 1")),
                             20000);
    EXPECT_TRUE(Ui().LiveButton->isChecked());
    EXPECT_TRUE(Ui().LevelMeter->isVisibleTo(&Window()));
    // The same pass in the list, at the clock time it was reported.
    ASSERT_EQ(Ui().PassList->count(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  1\\d\\d\\.\\d ± \\d+\\.\\d km/h$"))
                    .match(Ui().PassList->item(0)->text())
                    .hasMatch())
        << Ui().PassList->item(0)->text().toStdString();
    // The ruler counts seconds before now down from the top row: 1024 frames a row at 48 kHz.
    const std::vector<RulerTick> ticks = Ui().TimeRuler->Ticks();
    ASSERT_GE(ticks.size(), 3u);
    EXPECT_EQ(ticks.front().position, 0);
    EXPECT_EQ(ticks.front().label, QStringLiteral("0"));
    for (const RulerTick& tick : ticks) {
        if (tick.label == QStringLiteral("5")) {
            EXPECT_EQ(tick.position, 235);  // 5 s * 48000 / 1024, rounded up
        }
    }
    // The take so far, saved while listening; a folder that is not there gives the reason.
    static const testsupport::WorkFolder folder("pirolex_live_take_");
    const std::string saved = (folder.Path() / "take.wav").string();
    fake_.saveChoices = {saved, (folder.Path() / "none" / "take.wav").string()};
    ASSERT_TRUE(Ui().SaveTakeButton->isEnabled());
    Ui().SaveTakeButton->click();
    EXPECT_EQ(fake_.saveSuggestions.back(), QStringLiteral("Live-Aufnahme.wav"));
    const WavResult read = ReadWavFile(saved);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.recording.sampleRate, 48000);
    // As much of the take as the device had delivered by then, the pass included.
    const int64_t savedFrames = read.recording.FrameCount();
    ASSERT_GT(savedFrames, 7 * 48000);
    ASSERT_EQ(read.recording.ChannelCount(), 2);
    for (size_t c = 0; c < 2; ++c)
        EXPECT_TRUE(std::equal(read.recording.channels[c].begin(), read.recording.channels[c].end(),
                               take.channels[c].begin()));
    Ui().SaveTakeButton->click();
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_TRUE(fake_.Errors()[0].startsWith(QStringLiteral("Aufnahme nicht gespeichert: "))) << fake_.Errors()[0].toStdString();
    fake_.messages.clear();
    // PIROLEX_LIVE_SHOT=PATH keeps a picture of the window while it listens, to look at.
    if (const QString shot = qEnvironmentVariable("PIROLEX_LIVE_SHOT"); !shot.isEmpty()) Window().grab().save(shot);
    // The rolling picture: the newest lines at the top; the pass's tone in them lies between the
    // recede (2010 Hz) and approach (2410 Hz) columns of 24000 Hz across the plot.
    const QImage picture = Ui().Image1->Picture();
    const int width = picture.width();
    int brightest = 0;
    for (int x = 1; x < width; ++x)
        if (qGreen(picture.pixel(x, 0)) > qGreen(picture.pixel(brightest, 0))) brightest = x;
    const double hz = 24000.0 * brightest / width;
    EXPECT_GT(hz, 1950.0);
    EXPECT_LT(hz, 2450.0);

    device->GoAway();
    QTRY_VERIFY_WITH_TIMEOUT(!Ui().LiveButton->isChecked(), 5000);
    ASSERT_EQ(fake_.messages.size(), 1u);
    EXPECT_EQ(fake_.messages[0].text.toStdString(), texts::InputLostText(12.0));
    // What was heard is an ordinary loaded recording now.
    EXPECT_TRUE(State().fileLoaded);
    EXPECT_EQ(State().fileName, "Live-Aufnahme");
    EXPECT_EQ(State().session.GetRecording().channels, take.channels);
    EXPECT_TRUE(Ui().ToolButton1->isEnabled());
    EXPECT_FALSE(Ui().ToolButton2->isEnabled()) << "no file to play: it would read one of the take's name";
    EXPECT_FALSE(Ui().LevelMeter->isVisibleTo(&Window()));
    // The list holds the take's pass at its time in the take; choosing it measures as
    // "Automatisch messen" does.
    ASSERT_EQ(Ui().PassList->count(), 1);
    EXPECT_TRUE(Ui().PassList->item(0)->text().startsWith(QStringLiteral("0:06.0  1"))) << Ui().PassList->item(0)->text().toStdString();
    Ui().PassList->setCurrentRow(0);
    EXPECT_EQ(Ui().PassList->currentRow(), 0);
    ASSERT_TRUE(Window().Parts().measurement.Automatic().has_value());
    EXPECT_NEAR(Window().Parts().measurement.Automatic()->speedKmh, 110.0, 3.0);
    EXPECT_TRUE(Ui().SaveTakeButton->isEnabled());
    // PIROLEX_WINDOW_SHOTS=DIR keeps the window after listening as DIR/after-listening.png.
    if (const QString shots = qEnvironmentVariable("PIROLEX_WINDOW_SHOTS"); !shots.isEmpty()) {
        Window().show();
        Window().Timer1Timer();
        Window().grab().save(shots + QStringLiteral("/after-listening.png"));
        Window().hide();
    }
}

}  // namespace
}  // namespace pirolex::testing
