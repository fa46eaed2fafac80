// The control handlers: which recompute at once, which go through the debounce, and what they
// change on the way. The debounce timer is driven by hand: no test waits for it.
#include "widgets.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

namespace pirolex::testing {
namespace {

class HandlerTest : public WindowTest {
protected:
    // Started, with the timer of start-up's own changes already stopped.
    void SetUp() override {
        Start();
        Window().Timer1().stop();
    }
    int Runs() { return Window().RecomputeRuns(); }
};

TEST_F(HandlerTest, SeveralTriggersWithinTheIntervalGiveOneRecomputeAfterTheLast) {
    const int runs = Runs();
    // Dragging the FFT track bar over several positions.
    Ui().TrackBar1->setValue(9);
    Ui().TrackBar1->setValue(8);
    Ui().TrackBar1->setValue(7);
    EXPECT_EQ(Runs(), runs);
    EXPECT_TRUE(Window().Timer1().isActive());
    EXPECT_TRUE(Window().Timer1().isSingleShot());
    // Whatever the timer was doing, a trigger starts the full interval again.
    Window().Timer1().start(1);
    Window().trigger();
    EXPECT_EQ(Window().Timer1().interval(), 250);
    EXPECT_TRUE(Window().Timer1().isActive());

    Window().Timer1Timer();  // what the expiry runs
    EXPECT_EQ(Runs(), runs + 1);
    EXPECT_FALSE(Window().Timer1().isActive());  // nothing else is pending
}

TEST_F(HandlerTest, TheTimersExpiryRunsTheRecompute) {
    const int runs = Runs();
    Window().trigger();
    ASSERT_TRUE(QMetaObject::invokeMethod(&Window().Timer1(), "timeout"));
    EXPECT_EQ(Runs(), runs + 1);
    EXPECT_FALSE(Window().Timer1().isActive());
}

struct DebouncedCase {
    const char* name;
    std::function<void(const WindowUi&)> change;
};

TEST_F(HandlerTest, DisplayControlsGoThroughTheDebounce) {
    const DebouncedCase table[] = {
        {"PCheckbox", [](const WindowUi& ui) { ui.PCheckbox->setChecked(true); }},
        {"CFARCheckBox", [](const WindowUi& ui) { ui.CFARCheckBox->setChecked(false); }},
        {"LimTrackBar", [](const WindowUi& ui) { ui.LimTrackBar->setValue(25); }},
        {"CFARTrackBar", [](const WindowUi& ui) { ui.CFARTrackBar->setValue(30); }},
        {"TrackBar1", [](const WindowUi& ui) { ui.TrackBar1->setValue(9); }},
    };
    for (const DebouncedCase& c : table) {
        Window().Timer1().stop();
        const int runs = Runs();
        c.change(Ui());
        EXPECT_TRUE(Window().Timer1().isActive()) << c.name;
        EXPECT_EQ(Runs(), runs) << c.name;
    }
}

struct ImmediateCase {
    const char* name;
    std::function<void(const WindowUi&)> change;
};

TEST_F(HandlerTest, ChannelAccuracyAndPictureRecomputeAtOnce) {
    const ImmediateCase table[] = {
        {"KanalRadioGroup", [](const WindowUi& ui) { ui.KanalRadioGroup->SetItemIndex(2); }},
        {"GenauRadioGroup", [](const WindowUi& ui) { ui.GenauRadioGroup->SetItemIndex(1); }},
        {"GrafikRadio", [](const WindowUi& ui) { ui.GrafikRadio->SetItemIndex(0); }},
    };
    for (const ImmediateCase& c : table) {
        const int runs = Runs();
        c.change(Ui());
        EXPECT_EQ(Runs(), runs + 1) << c.name;
        EXPECT_FALSE(Window().Timer1().isActive()) << c.name;
    }
    EXPECT_EQ(State().ChannelSelect, 2);
}

TEST_F(HandlerTest, ThePictureModeStaysUntilAFileIsLoaded) {
    Ui().GrafikRadio->SetItemIndex(2);
    EXPECT_EQ(State().GraphMode, 2);

    Load(StereoFile("handlers_mode.wav"));
    ASSERT_TRUE(State().FileLoaded);
    Ui().GrafikRadio->SetItemIndex(0);
    EXPECT_EQ(State().GraphMode, 1);
    EXPECT_EQ(State().LineStep, 7);  // 3D: (4000 frames - 1023) div 400
}

TEST_F(HandlerTest, TheFilterCheckBoxShowsOneOfTheTwoGroups) {
    Ui().CFARCheckBox->setChecked(false);
    EXPECT_FALSE(Ui().GroupBox1->isHidden());
    EXPECT_TRUE(Ui().GroupBox2->isHidden());
    Ui().CFARCheckBox->setChecked(true);
    EXPECT_TRUE(Ui().GroupBox1->isHidden());
    EXPECT_FALSE(Ui().GroupBox2->isHidden());
}

TEST_F(HandlerTest, AMovedFFTTrackBarSetsTheSizeAndItsTexts) {
    Ui().TrackBar1->setValue(8);
    EXPECT_EQ(State().FilterCount, 256);
    EXPECT_EQ(State().FFTExponent, 8);
    EXPECT_EQ(State().FFTMask, 255);
    EXPECT_EQ(State().TableStride, 4);
    EXPECT_EQ(Ui().FFTLabel->text(), "256 FFT-Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "256 Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "256 Filter");
    EXPECT_TRUE(Window().Timer1().isActive());
}

TEST_F(HandlerTest, AnUnchangedFFTPositionRewritesTheTextsOnly) {
    Ui().FFTLabel->setText("x");
    Ui().StatusBar1->SetPanelText(0, "y");
    Ui().StatusBar1->SetPanelText(4, "z");
    Window().TrackBar1Change();
    EXPECT_EQ(Ui().FFTLabel->text(), "1024 FFT-Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "1024 Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "z");
    EXPECT_EQ(State().FFTExponent, 10);
    EXPECT_FALSE(Window().Timer1().isActive());
}

TEST_F(HandlerTest, TheWindowsSettingsReachTheAnalysisAsASnapshot) {
    Ui().GenauRadioGroup->SetItemIndex(1);
    Ui().PCheckbox->setChecked(true);
    Ui().CFARCheckBox->setChecked(false);
    Ui().LimTrackBar->setValue(5);
    Ui().CFARTrackBar->setValue(44);
    Ui().SpinEdit1->setValue(-7);
    const Controls c = Window().SnapshotControls();
    EXPECT_EQ(c.Accuracy, 1);
    EXPECT_TRUE(c.IQPhase);
    EXPECT_FALSE(c.ConstPPL);
    EXPECT_EQ(c.LimPosition, 5);
    EXPECT_EQ(c.CFARPosition, 44);
    EXPECT_EQ(c.Temperature, -7);
}

// A plot exactly PlotLeft wide, as a window of outer width 241 had before it got its minimum
// size: the click's frequency label divides by an XScale of 0. The guard shows the run-time's
// text and the program goes on.
TEST_F(HandlerTest, ARuntimeErrorInAHandlerBecomesAMessageBox) {
    Load(StereoFile("handlers_error.wav"));
    ASSERT_TRUE(State().FileLoaded);
    State().XScale = 0.0;
    Window().Image1MouseDown(Qt::LeftButton, 100, 60);
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0], QStringLiteral("Gleitkommadivision durch Null"));
    EXPECT_EQ(fake_.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(Ui().Label1->text(), "");  // ended before the speed
}

TEST_F(HandlerTest, ClicksOnThePlotPlaceMarkersInBitmapCoordinates) {
    Load(StereoFile("handlers_click.wav"));
    ASSERT_TRUE(State().FileLoaded);
    Window().show();
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(100, 60));
    QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(180, 60));
    EXPECT_EQ(State().MarkerA, 100);
    EXPECT_EQ(State().MarkerB, 180);
    EXPECT_FALSE(Ui().Label1->text().isEmpty());
    EXPECT_TRUE(fake_.messages.empty());
    Window().hide();
}

}  // namespace
}  // namespace pirolex::testing
