// Clicks that make no sense say so; "höchstens", the top speed; a click after the automatic
// measurement starts a new pair; Strg+Z takes back the last marker or the automatic measurement.
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <functional>

namespace pirolex::testing {
namespace {

// The sample: 4350 Hz (and harmonics) passing at 120 km/h, 4822.8 Hz approaching, 3961.6 Hz
// receding; at 44100 Hz and the design size a column is 44100 / 1024 Hz from column 10 on.
const std::string kSample = PIROLEX_SAMPLE;
constexpr double kColumnHz = 44100.0 / 1024.0;
constexpr double kApproachHz = 4822.8;
constexpr double kRecedeHz = 3961.6;

int ColumnOf(double hz) { return static_cast<int>(std::lround(10 + hz / kColumnHz)); }

class ClicksTest : public WindowTest {
protected:
    void StartOnSample() {
        Start({kSample});
        Window().Parts().timer1.stop();
        ASSERT_TRUE(State().fileLoaded);
    }
    int Early() { return State().session.View().baselineY - 20; }
    int Late() { return State().session.View().baselineY - 190; }
    std::string Label() { return Ui().Label1->text().toStdString(); }
    void TearDown() override {
        if (window_) window_->hide();
    }
    void Undo() {
        QTest::keyClick(Ui().Image1, Qt::Key_Z, Qt::ControlModifier);
        WaitForSearch();
    }
};

TEST_F(ClicksTest, DoubtfulClicksSayWhyAfterTheSpeed) {
    struct Case {
        const char* name;
        bool snap;
        double hzA, hzB;
        int top;
        const char* ending;  // after the speed line's "(± ... km/h) "
    };
    const Case cases[] = {
        {"A on the second harmonic", true, 2 * kApproachHz, kRecedeHz, 2000,
         "– zweifelhaft: B näher an 0.5×A als an A"},
        {"and above the top speed", true, 2 * kApproachHz, kRecedeHz, 450,
         "– zweifelhaft: mehr als höchstens 450 km/h, B näher an 0.5×A als an A"},
        {"a clear pass above a low top speed", true, kApproachHz, kRecedeHz, 100,
         "– zweifelhaft: mehr als höchstens 100 km/h"},
        {"a click beside every tone", true, 5200, kRecedeHz, 450, "– zweifelhaft: A nicht auf einem Ton"},
        {"nothing doubtful", false, kApproachHz, kRecedeHz, 450, "(± 6.00 km/h) "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartOnSample();
        Ui().SnapBox->setChecked(c.snap);
        Ui().TopSpeedEdit->setValue(c.top);
        Window().Image1MouseDown(Qt::LeftButton, ColumnOf(c.hzA), Early());
        Window().Image1MouseDown(Qt::RightButton, ColumnOf(c.hzB), Late());
        const std::string label = Label();
        EXPECT_EQ(label.rfind("Geschwindigkeit: ", 0), 0u) << label;
        EXPECT_TRUE(label.ends_with(c.ending)) << label;
        EXPECT_EQ(label.find("zweifelhaft") == std::string::npos, !c.snap) << label;
        // The record keeps the doubt and names the source.
        const texts::RecordValues record = MeasurementRecord(Window());
        EXPECT_EQ(record.speedLine, label);
        EXPECT_EQ(record.source, "zwei Klicks");
    }
}

// Clicks, the automatic measurement, a click after it and Strg+Z, step by step.
TEST_F(ClicksTest, AClickAfterTheAutomaticMeasurementStartsANewPairAndStrgZTakesBack) {
    StartOnSample();
    // Shown and active, so that the key reaches the window's shortcut.
    Window().show();
    QApplication::setActiveWindow(&Window());
    Ui().SnapBox->setChecked(false);
    const int a = ColumnOf(kApproachHz), b = ColumnOf(kRecedeHz);
    struct Step {
        const char* name;
        std::function<void()> act;
        bool markerA, markerB;
        const char* label;  // its beginning; "" an empty label
    };
    const Step steps[] = {
        {"A clicked", [&] { Window().Image1MouseDown(Qt::LeftButton, a, 100); }, true, false, ""},
        {"B clicked", [&] { Window().Image1MouseDown(Qt::RightButton, b, 100); }, true, true,
         "Geschwindigkeit: 120.00 km/h (± 6.00 km/h) "},
        {"measured automatically", [&] { Ui().ToolButton9->click(); WaitForSearch(); }, true, true, "Geschwindigkeit: 1"},
        {"B clicked after it", [&] { Window().Image1MouseDown(Qt::RightButton, b, 100); }, false, true, ""},
        {"Strg+Z: the automatic measurement again", [&] { Undo(); }, true, true, "Geschwindigkeit: 1"},
        {"Strg+Z: the clicked pair", [&] { Undo(); }, true, true, "Geschwindigkeit: 120.00 km/h (± 6.00 km/h) "},
        {"Strg+Z: A alone", [&] { Undo(); }, true, false, ""},
        {"Strg+Z: as loaded", [&] { Undo(); }, false, false, ""},
        {"Strg+Z: nothing more", [&] { Undo(); }, false, false, ""},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(State().session.Marker(MarkerSide::kA).has_value(), s.markerA) << s.name;
        EXPECT_EQ(State().session.Marker(MarkerSide::kB).has_value(), s.markerB) << s.name;
        EXPECT_EQ(Label().rfind(s.label, 0), 0u) << s.name << ": " << Label();
        if (*s.label == '\0') {
            EXPECT_EQ(Label(), "") << s.name;
        }
        const bool automatic = std::string(s.name).find("automatic") != std::string::npos;
        EXPECT_EQ(Label().ends_with("– automatisch gemessen"), automatic) << s.name << ": " << Label();
        EXPECT_EQ(Window().Parts().measurement.Automatic().has_value(), automatic) << s.name;
    }
    EXPECT_TRUE(fake_.messages.empty());
}

// "höchstens" refuses an automatic measurement above it, and gives it back when raised.
TEST_F(ClicksTest, TheAutomaticMeasurementIsRefusedAboveTheTopSpeed) {
    StartOnSample();
    EXPECT_EQ(Ui().TopSpeedEdit->value(), 450);
    Ui().ToolButton9->click();
    WaitForSearch();
    ASSERT_EQ(Label().rfind("Geschwindigkeit: 1", 0), 0u) << Label();
    Ui().TopSpeedEdit->setValue(100);
    WaitForSearch();
    EXPECT_EQ(Label(), "keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von 100 km/h");
    Ui().TopSpeedEdit->setValue(130);
    WaitForSearch();
    EXPECT_EQ(Label().rfind("Geschwindigkeit: 1", 0), 0u) << Label();
    // The same range as the commands' --max-kmh.
    for (const auto& [set, held] : {std::pair{5, 10}, std::pair{2000, 2000}, std::pair{2500, 2000}}) {
        Ui().TopSpeedEdit->setValue(set);
        EXPECT_EQ(Ui().TopSpeedEdit->value(), held) << set;
    }
}

}  // namespace
}  // namespace pirolex::testing
