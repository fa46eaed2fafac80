// The control handlers: which recompute at once, which go through the debounce, and what they
// change on the way. The debounce timer is driven by hand: no test waits for it.
#include "marker_drawing.h"
#include "measurement_record.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QPushButton>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

namespace pirolex::testing {
namespace {

class HandlerTest : public WindowTest {
protected:
    // Started, with the timer of start-up's own changes already stopped.
    // Clicks here are measured as clicked, without looking for a tone's peak.
    void SetUp() override {
        Start();
        Window().Parts().timer1.stop();
        Ui().SnapBox->setChecked(false);
    }
    int Runs() { return Window().Parts().recomputeRuns; }
};

TEST_F(HandlerTest, SeveralTriggersWithinTheIntervalGiveOneRecomputeAfterTheLast) {
    const int runs = Runs();
    // Dragging the FFT track bar over several positions.
    Ui().TrackBar1->setValue(9);
    Ui().TrackBar1->setValue(8);
    Ui().TrackBar1->setValue(7);
    EXPECT_EQ(Runs(), runs);
    EXPECT_TRUE(Window().Parts().timer1.isActive());
    EXPECT_TRUE(Window().Parts().timer1.isSingleShot());
    // Whatever the timer was doing, a trigger starts the full interval again.
    Window().Parts().timer1.start(1);
    Window().trigger();
    EXPECT_EQ(Window().Parts().timer1.interval(), 250);
    EXPECT_TRUE(Window().Parts().timer1.isActive());

    Window().Timer1Timer();  // what the expiry runs
    EXPECT_EQ(Runs(), runs + 1);
    EXPECT_FALSE(Window().Parts().timer1.isActive());  // nothing else is pending
}

TEST_F(HandlerTest, TheTimersExpiryRunsTheRecompute) {
    const int runs = Runs();
    Window().trigger();
    ASSERT_TRUE(QMetaObject::invokeMethod(&Window().Parts().timer1, "timeout"));
    EXPECT_EQ(Runs(), runs + 1);
    EXPECT_FALSE(Window().Parts().timer1.isActive());
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
        Window().Parts().timer1.stop();
        const int runs = Runs();
        c.change(Ui());
        EXPECT_TRUE(Window().Parts().timer1.isActive()) << c.name;
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
        EXPECT_FALSE(Window().Parts().timer1.isActive()) << c.name;
    }
    EXPECT_EQ(int(State().session.CurrentSettings().channel), 2);
}

TEST_F(HandlerTest, ThePictureModeStaysUntilAFileIsLoaded) {
    Ui().GrafikRadio->SetItemIndex(2);
    EXPECT_EQ(State().session.CurrentSettings().picture, Picture::k2D);

    Load(StereoFile("handlers_mode.wav"));
    ASSERT_TRUE(State().fileLoaded);
    Ui().GrafikRadio->SetItemIndex(0);
    EXPECT_EQ(State().session.CurrentSettings().picture, Picture::k3D);
    EXPECT_EQ(State().session.LineStep(), 7);  // 3D: (4000 frames - 1023) div 400
}

TEST_F(HandlerTest, TheFilterCheckBoxShowsOneOfTheTwoGroups) {
    Ui().CFARCheckBox->setChecked(false);
    EXPECT_FALSE(Ui().GroupBox1->isHidden());
    EXPECT_TRUE(Ui().GroupBox2->isHidden());
    Ui().CFARCheckBox->setChecked(true);
    EXPECT_TRUE(Ui().GroupBox1->isHidden());
    EXPECT_FALSE(Ui().GroupBox2->isHidden());
    EXPECT_TRUE(Ui().LevelGroup->isHidden());

    // "Pegel" has no filter: its colour scale's group takes the place, the filter's boxes rest.
    Load(StereoFile("handlers_level_controls.wav"));
    Ui().GrafikRadio->SetItemIndex(3);
    EXPECT_TRUE(Ui().GroupBox1->isHidden());
    EXPECT_TRUE(Ui().GroupBox2->isHidden());
    EXPECT_FALSE(Ui().LevelGroup->isHidden());
    EXPECT_FALSE(Ui().CFARCheckBox->isEnabled());
    Ui().LevelRangeEdit->setValue(60);
    Ui().LevelGainEdit->setValue(20);
    Window().Timer1Timer();
    EXPECT_EQ(State().session.CurrentSettings().levelRangeDb, 60);
    EXPECT_EQ(State().session.CurrentSettings().levelGainDb, 20);
    Ui().GrafikRadio->SetItemIndex(1);
    EXPECT_TRUE(Ui().LevelGroup->isHidden());
    EXPECT_FALSE(Ui().GroupBox2->isHidden());
}

TEST_F(HandlerTest, AMovedFFTTrackBarSetsTheSizeAndItsTexts) {
    Ui().TrackBar1->setValue(8);
    EXPECT_EQ(State().filterCount, 256);
    EXPECT_EQ(State().session.CurrentSettings().fftExponent, 8);
    EXPECT_EQ(State().session.CurrentSettings().FftMask(), 255);
    EXPECT_EQ(State().session.CurrentSettings().TableStride(), 4);
    EXPECT_EQ(Ui().FFTLabel->text(), "256 FFT-Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "256 Filter");
    Ui().TrackBar1->setValue(14);
    EXPECT_EQ(Ui().FFTLabel->text(), "16384 FFT-Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "16384 Filter");
    Ui().TrackBar1->setValue(8);
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "256 Filter");
    EXPECT_TRUE(Window().Parts().timer1.isActive());
}

TEST_F(HandlerTest, AnUnchangedFFTPositionRewritesTheTextsOnly) {
    Ui().FFTLabel->setText("x");
    Ui().StatusBar1->SetPanelText(0, "y");
    Ui().StatusBar1->SetPanelText(4, "z");
    Window().TrackBar1Change();
    EXPECT_EQ(Ui().FFTLabel->text(), "1024 FFT-Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(0), "1024 Filter");
    EXPECT_EQ(Ui().StatusBar1->PanelText(4), "z");
    EXPECT_EQ(State().session.CurrentSettings().fftExponent, 10);
    EXPECT_FALSE(Window().Parts().timer1.isActive());
}

TEST_F(HandlerTest, TheWindowsSettingsReachTheAnalysisAsASnapshot) {
    Ui().GenauRadioGroup->SetItemIndex(1);
    Ui().PCheckbox->setChecked(true);
    Ui().CFARCheckBox->setChecked(false);
    Ui().LimTrackBar->setValue(5);
    Ui().CFARTrackBar->setValue(44);
    const Settings c = State().session.CurrentSettings();
    EXPECT_EQ(c.accuracy, Accuracy::kExact);
    EXPECT_TRUE(c.iqPhase);
    EXPECT_EQ(c.filterMode, FilterMode::kThreshold);
    EXPECT_EQ(c.threshold, 5);
    EXPECT_EQ(c.pointsPerLine, 44);
}

// A plot exactly PlotLeft wide, as a window of outer width 241 had before it got its minimum
// size: the click's frequency label divides by an XScale of 0. The guard shows the run-time's
// text and the program goes on.
TEST_F(HandlerTest, AFailureInAHandlerBecomesAMessageBox) {
    Load(StereoFile("handlers_error.wav"));
    ASSERT_TRUE(State().fileLoaded);
    { PlotView flat = State().session.View(); flat.xScale = 0.0; State().session.SetView(flat); }
    Window().Image1MouseDown(Qt::LeftButton, 100, 60);
    ASSERT_EQ(fake_.Errors().size(), 1u);
    EXPECT_EQ(fake_.Errors()[0], QStringLiteral("Gleitkommadivision durch Null"));
    EXPECT_EQ(fake_.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(Ui().Label1->text(), "");  // ended before the speed
}

TEST_F(HandlerTest, ClicksOnThePlotPlaceMarkersInBitmapCoordinates) {
    Load(StereoFile("handlers_click.wav"));
    ASSERT_TRUE(State().fileLoaded);
    Window().show();
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(100, 60));
    QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(180, 60));
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kB), 180);
    EXPECT_FALSE(Ui().Label1->text().isEmpty());
    EXPECT_TRUE(fake_.messages.empty());
    Window().hide();
}

// Clicks measure only in the 2D picture, once a recording gave a sample rate, and only with the
// left or the right button.
TEST_F(HandlerTest, ClicksCountOnlyIn2DWithARecordingAndTheLeftOrRightButton) {
    Window().Image1MouseDown(Qt::LeftButton, 100, 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 0) << "no recording yet";
    Load(StereoFile("handlers_click_rules.wav"));
    Window().Image1MouseDown(Qt::MiddleButton, 100, 100);
    Ui().GrafikRadio->SetItemIndex(0);  // 3D
    Window().Image1MouseDown(Qt::LeftButton, 100, 100);
    Window().Image1MouseDown(Qt::RightButton, 110, 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 0);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kB), 0);
    Ui().GrafikRadio->SetItemIndex(1);  // 2D
    Window().Image1MouseDown(Qt::LeftButton, 100, 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 100);
    Ui().GrafikRadio->SetItemIndex(3);  // Pegel, laid out as 2D
    Window().Image1MouseDown(Qt::RightButton, 120, 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kB), 120);
}

// A second click of the same button moves its marker: the picture under the old line is as it
// was, the dashes of the new ones leave it visible between them, the speed follows.
TEST_F(HandlerTest, TheSameButtonTwiceMovesItsMarkerAndTheSpeedFollows) {
    Load(StereoFile("handlers_click_twice.wav"));
    const PlotCanvas& canvas = Window().Parts().canvas;
    const PlotCanvas picture = canvas;
    Window().Image1MouseDown(Qt::RightButton, 110, 0);
    Window().Image1MouseDown(Qt::LeftButton, 200, 0);
    Window().Image1MouseDown(Qt::LeftButton, 100, 0);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 100);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kB), 110);
    int green = 0, red = 0;
    for (int y = 21; y < 250; ++y) {
        ASSERT_EQ(canvas.Pixel(200, y), picture.Pixel(200, y)) << y;
        green += canvas.Pixel(100, y) == kMarkerGreen;
        red += canvas.Pixel(110, y) == kMarkerRed;
        ASSERT_TRUE(canvas.Pixel(100, y) == kMarkerGreen || canvas.Pixel(100, y) == picture.Pixel(100, y)) << y;
    }
    EXPECT_GT(green, 100);
    EXPECT_GT(red, 100);
    // A left of B is A below B: the buttons swapped, no speed, at any temperature.
    const QString swapped = QStringLiteral("Geschwindigkeit: keine – zweifelhaft: A tiefer als B (Tasten vertauscht?)");
    EXPECT_EQ(Ui().Label1->text(), swapped);
    Ui().SpinEdit1->setValue(40);
    EXPECT_EQ(Ui().Label1->text(), swapped);
}

// Markers whose frequencies add up to 0 Hz give no speed; the label says so instead of an error box.
TEST_F(HandlerTest, MarkersWithoutAFrequencyAboveZeroSayThereIsNoSpeed) {
    Load(StereoFile("handlers_no_speed.wav"));
    Window().Image1MouseDown(Qt::LeftButton, 5, 0);
    Window().Image1MouseDown(Qt::RightButton, 15, 0);  // symmetric about the zero column
    EXPECT_EQ(Ui().Label1->text(),
              QStringLiteral("Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)"));
    EXPECT_TRUE(fake_.messages.empty());
}

// Typed values as the entry ends: a number beyond the field's range is held at the nearest limit
// and the field shows it; the temperature takes tenths (a decimal comma too), the other fields
// round to what they show.
TEST_F(HandlerTest, TypedValuesAreHeldAtTheLimitsAndShownAsTaken) {
    Load(MonoFile("handlers_typed.wav", 8000, 800000));  // 100 s: the span may start at 0..12.5 s
    ASSERT_FALSE(Ui().SpanEdit->isHidden());
    struct Typed {
        const char* field;
        QAbstractSpinBox* box;
        const char* typed;
        const char* shown;
        double value;
    };
    const Typed rows[] = {
        {"Lufttemperatur", Ui().SpinEdit1, "50", "40 °C", 40},
        {"Lufttemperatur", Ui().SpinEdit1, "-30", "-20 °C", -20},
        {"Lufttemperatur", Ui().SpinEdit1, "22.5", "22.5 °C", 22.5},
        {"Lufttemperatur", Ui().SpinEdit1, "18,26", "18.3 °C", 18.3},
        {"Lufttemperatur", Ui().SpinEdit1, "7", "7 °C", 7},
        {"Ausschnitt ab", Ui().SpanEdit, "100", "12.5 s", 12.5},
        {"Ausschnitt ab", Ui().SpanEdit, "3.04", "3.0 s", 3.0},
        {"bis", Ui().BandToEdit, "30000", "4000 Hz", 4000},  // half of 8000 Hz
        {"von", Ui().BandFromEdit, "1000.4", "1000 Hz", 1000},
    };
    for (const Typed& t : rows) {
        t.box->selectAll();
        QTest::keyClicks(t.box, t.typed);
        QTest::keyClick(t.box, Qt::Key_Return);
        EXPECT_EQ(t.box->text().toStdString(), t.shown) << t.field << " " << t.typed;
        EXPECT_DOUBLE_EQ(t.box->property("value").toDouble(), t.value) << t.field << " " << t.typed;
    }

    // The speed and the record take the tenths: c at 22.5 degrees, v = c * 10 / 190, r = c / 190.
    Ui().BandResetButton->click();
    Load(StereoFile("handlers_typed_speed.wav"));
    Window().Image1MouseDown(Qt::RightButton, 100, 0);
    Window().Image1MouseDown(Qt::LeftButton, 110, 0);
    Ui().SpinEdit1->selectAll();
    QTest::keyClicks(Ui().SpinEdit1, "22.5");
    QTest::keyClick(Ui().SpinEdit1, Qt::Key_Return);
    EXPECT_EQ(Ui().Label1->text(), QStringLiteral("Geschwindigkeit: 65.26 km/h (± 6.53 km/h) "));
    EXPECT_EQ(MeasurementRecord(Window()).temperature, 22.5);
    const std::vector<std::string> rowsKept = texts::RecordRows(MeasurementRecord(Window()));
    EXPECT_NE(rowsKept[1].find("Lufttemperatur: 22.5 °C"), std::string::npos) << rowsKept[1];
}

}  // namespace
}  // namespace pirolex::testing
