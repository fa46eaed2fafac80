// The load command as the window runs it: dialog, caption and panels, open test, parse,
// recompute, and the three file commands.
#include "branding.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <clocale>
#include <cstdio>
#include <filesystem>

namespace pirolex::testing {
namespace {

class LoadTest : public WindowTest {
protected:
    bool CommandsEnabled(bool expected) {
        const WindowUi& ui = Ui();
        return ui.ToolButton2->isEnabled() == expected && ui.ToolButton3->isEnabled() == expected &&
               ui.ToolButton4->isEnabled() == expected && ui.ToolButton7->isEnabled() == expected;
    }
    QString Panel(int i) { return Ui().StatusBar1->PanelText(i); }
};

TEST_F(LoadTest, AStereoFileFillsCaptionPanelsAndEnablesTheCommands) {
    const std::string path = StereoFile("load_stereo.wav", 8000, 4000);
    Start({path});
    EXPECT_EQ(Window().windowTitle().toStdString(), "Pirolex  " + path);
    EXPECT_EQ(Panel(0).toStdString(), path);
    EXPECT_EQ(Panel(1), "8000 Hz Samplerate");
    EXPECT_EQ(Panel(2), "4000 Samples");
    EXPECT_EQ(Panel(3), " 0.5 s");
    EXPECT_EQ(Panel(4), "1024 Filter");
    EXPECT_TRUE(State().fileLoaded);
    EXPECT_TRUE(CommandsEnabled(true));
    EXPECT_EQ(State().session.LineStep(), 3);  // 2D: (4000 frames - 1023) div 800
    EXPECT_TRUE(Ui().KanalRadioGroup->isEnabled());
    EXPECT_TRUE(fake_.messages.empty());
    // The recompute has run and emptied the speed label.
    EXPECT_EQ(Ui().Label1->text(), "");
}

TEST_F(LoadTest, AStereoFileLeavesTheChannelChoiceAlone) {
    Start();
    Ui().KanalRadioGroup->SetItemIndex(2);
    const int runs = Window().Parts().recomputeRuns;
    Load(StereoFile("load_stereo_choice.wav"));
    EXPECT_EQ(Ui().KanalRadioGroup->ItemIndex(), 2);
    EXPECT_EQ(int(State().session.CurrentSettings().channel), 2);
    EXPECT_TRUE(Ui().KanalRadioGroup->isEnabled());
    EXPECT_EQ(Window().Parts().recomputeRuns, runs + 1);
}

TEST_F(LoadTest, AMonoFileLocksTheChannelGroupOnLeftWithOneRecompute) {
    Start();
    Ui().KanalRadioGroup->SetItemIndex(1);
    const int runs = Window().Parts().recomputeRuns;
    Load(MonoFile("load_mono.wav"));
    EXPECT_EQ(Ui().KanalRadioGroup->ItemIndex(), 0);
    EXPECT_FALSE(Ui().KanalRadioGroup->isEnabled());
    EXPECT_EQ(int(State().session.CurrentSettings().channel), 0);
    // The group moves without running its handler: the load's own recompute is the only one.
    EXPECT_EQ(Window().Parts().recomputeRuns, runs + 1);
    EXPECT_TRUE(CommandsEnabled(true));
}

TEST_F(LoadTest, AFileThatCannotBeOpenedShowsTheLoadErrorWithoutAMessage) {
    const std::string missing =
        (std::filesystem::temp_directory_path() / "pirolex_no_such_folder" / "missing.wav").string();
    Start();
    const std::string before = StereoFile("load_before_missing.wav");
    Load(before);
    const int runs = Window().Parts().recomputeRuns;
    Load(missing);
    // The caption names the recording still shown.
    EXPECT_EQ(Window().windowTitle().toStdString(), "Pirolex  " + before);
    EXPECT_EQ(Panel(0), "!! file load ERROR !!");
    EXPECT_FALSE(State().fileLoaded);
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_TRUE(fake_.messages.empty());
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);
}

TEST_F(LoadTest, AParseFailureReportsTheReadersTextAndKeepsTheEarlierRecording) {
    const std::string good = StereoFile("load_good.wav", 8000, 4000);
    testwav::Bytes truncated;
    truncated.Tag("RIFF").U32(100).Tag("WAVE").Tag("fmt ").U32(16).U16(1);
    const std::string bad = testwav::WriteTempFile(truncated.data, "load_truncated.wav");

    // The format chunk announces 16 bytes and the file ends 2 bytes into it.
    const QString expected = QStringLiteral("Versuch hinter dem Dateiende zu lesen");

    Start({good});
    const auto samples = State().session.GetRecording().channels;
    const int32_t rate = State().session.GetRecording().sampleRate, count = State().session.GetRecording().FrameCount();
    const QImage picture = Ui().Image1->Picture();
    const int runs = Window().Parts().recomputeRuns;

    Load(bad);
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0], expected);
    EXPECT_FALSE(State().fileLoaded);
    EXPECT_TRUE(CommandsEnabled(false));
    EXPECT_EQ(Panel(0), "!! file load ERROR !!");
    EXPECT_EQ(Window().windowTitle().toStdString(), "Pirolex  " + good);
    EXPECT_TRUE(State().session.GetRecording().channels == samples);
    EXPECT_EQ(State().session.GetRecording().sampleRate, rate);
    EXPECT_EQ(State().session.GetRecording().FrameCount(), count);
    EXPECT_EQ(Panel(1), "8000 Hz Samplerate");
    EXPECT_EQ(Ui().Image1->Picture(), picture);
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);
}

TEST_F(LoadTest, ACancelledDialogDoesNotReadTheFileAgain) {
    const std::string path = StereoFile("load_again.wav", 8000, 4000);
    Start({path});
    // The file changes on disk; the cancelled dialog leaves the recording that was read.
    StereoFile("load_again.wav", 11025, 2205);
    const int runs = Window().Parts().recomputeRuns;
    Load(std::nullopt);
    EXPECT_EQ(State().fileName, path);
    EXPECT_EQ(Window().windowTitle().toStdString(), "Pirolex  " + path);
    EXPECT_EQ(Panel(1), "8000 Hz Samplerate");
    EXPECT_EQ(Panel(2), "4000 Samples");
    EXPECT_EQ(Window().Parts().recomputeRuns, runs);
    EXPECT_TRUE(CommandsEnabled(true));
}

TEST_F(LoadTest, ACancelledDialogWithoutAFileChangesNothing) {
    Start();
    Ui().ToolButton2->setEnabled(true);  // whatever they show, the buttons keep it
    Load(std::nullopt);
    EXPECT_EQ(Window().windowTitle(), DesignCaption());
    EXPECT_EQ(Panel(0), "1024 Filter");  // as the FFT size's handler left it at start-up
    EXPECT_TRUE(Ui().ToolButton2->isEnabled());
    EXPECT_FALSE(State().fileLoaded);
    EXPECT_EQ(fake_.dialogs, 2);
}

// The C library's locale as Qt's application object sets it on a German desktop, for one test.
class GermanDesktop {
public:
    GermanDesktop() : saved_(std::setlocale(LC_ALL, nullptr)) {
        available_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~GermanDesktop() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool Available() const { return available_; }

private:
    std::string saved_;
    bool available_ = false;
};

TEST_F(LoadTest, NumberTextsKeepTheDecimalPointOnAGermanDesktop) {
    GermanDesktop german;
    if (!german.Available())
        GTEST_SKIP() << "locale de_DE.UTF-8 is not generated here (scripts/setup.sh generates it)";
    char probe[8];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5") << "the German number format is not in force";

    Start({StereoFile("load_german.wav", 8000, 4000)});
    EXPECT_EQ(Panel(1), "8000 Hz Samplerate");
    EXPECT_EQ(Panel(2), "4000 Samples");
    EXPECT_EQ(Panel(3), " 0.5 s");
    EXPECT_EQ(Panel(4), "1024 Filter");
    Window().show();
    // Plain columns: the snap would find no tone here and say so after the number.
    Ui().SnapBox->setChecked(false);
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(110, 60));
    QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(100, 60));
    // c = 1224.04 km/h at 15 degrees: v = c * 10 / 190, r = c / 190.
    EXPECT_EQ(Ui().Label1->text(), QStringLiteral("Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "));
    Window().hide();
}

// `pirolex FILE`: the file is loaded as if the start-up dialog had returned it.
TEST_F(LoadTest, AFileGivenAtStartIsLoadedWithoutTheDialog) {
    const std::string path = MonoFile("load_first_choice.wav");
    Create();
    Window().FormCreate(path);
    EXPECT_EQ(fake_.dialogs, 0);
    EXPECT_EQ(State().fileName, path);
    EXPECT_TRUE(State().fileLoaded);
    Window().ToolButton1Click();  // the next load asks again
    EXPECT_EQ(fake_.dialogs, 1);
}

// Shown first and then given a file, as `pirolex FILE` starts: the load draws the picture, and
// no debounce start-up set going (the first size, the FFT size, the filter box) is left to wipe
// it and draw it again.
TEST_F(LoadTest, AFileGivenAtStartIsDrawnOnce) {
    const std::string path = StereoFile("load_drawn_once.wav");
    Create();
    Window().show();
    Window().FormCreate(path);
    ASSERT_TRUE(State().fileLoaded);
    EXPECT_FALSE(Window().Parts().timer1.isActive());
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
