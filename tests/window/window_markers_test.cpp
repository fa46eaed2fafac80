// The markers as frequencies: kept with their speed through every recompute of the same recording,
// cleared by a load only; snapped to a fly-by's tone; the readout under the cursor; the band
// chosen with the middle button.
#include "flyby.h"
#include "marker_drawing.h"
#include "wav_writer.h"
#include "widgets.h"
#include "window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <functional>

namespace pirolex::testing {
namespace {

// At 44100 Hz and the design size a column is 44100 / 1024 Hz from column 10 on; columns 122 and
// 102 are 112 and 92 units: c * 20 / 204 is 120 km/h at 15 degrees, one column 6 km/h.
constexpr double kColumnHz = 44100.0 / 1024.0;
const QString kClickedSpeed = QStringLiteral("Geschwindigkeit: 120.00 km/h (± 6.00 km/h) ");

class MarkerTest : public WindowTest {
public:
    void Open(std::optional<std::string> choice) { Load(std::move(choice)); }

protected:
    void StartWithClicks(const std::string& file) {
        Start({file});
        Window().Parts().timer1.stop();
        Ui().SnapBox->setChecked(false);
        Window().Image1MouseDown(Qt::LeftButton, 122, 100);
        Window().Image1MouseDown(Qt::RightButton, 102, 100);
    }
    // Rows of column x in the marker's colour: its dashes.
    int Dashes(int x, uint32_t colour) {
        int count = 0;
        for (int y = 0; y < Window().Parts().canvas.Height(); ++y)
            count += Window().Parts().canvas.Pixel(x, y) == colour;
        return count;
    }
    void Send(QEvent::Type type, Qt::MouseButton button, int x, int y) {
        const QPointF at(x, y);
        QMouseEvent event(type, at, Ui().Image1->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(Ui().Image1, &event);
    }
    QString Readout() { return Ui().StatusBar1->PanelText(5); }
};

struct Sequence {
    const char* name;
    std::function<void(MarkerTest&, TPirolex&, const WindowUi&)> run;
    bool kept;
};

TEST_F(MarkerTest, RecomputesKeepTheMeasurementAndOnlyAnotherRecordingClearsIt) {
    const std::string file = MonoFile("markers_kept.wav", 44100, 44100);
    const std::string other = MonoFile("markers_other.wav", 44100, 22050);
    const Sequence table[] = {
        {"resize", [](MarkerTest&, TPirolex& w, const WindowUi&) {
             ResizeOuter(w, 1200, 620);
             w.FormResize();
             w.Timer1Timer();
         }, true},
        {"FFT size", [](MarkerTest&, TPirolex& w, const WindowUi& ui) {
             ui.TrackBar1->setValue(8);
             w.Timer1Timer();
         }, true},
        {"accuracy", [](MarkerTest&, TPirolex&, const WindowUi& ui) { ui.GenauRadioGroup->SetItemIndex(1); }, true},
        {"filter", [](MarkerTest&, TPirolex& w, const WindowUi& ui) {
             ui.CFARCheckBox->click();
             w.Timer1Timer();
         }, true},
        {"IQ phase", [](MarkerTest&, TPirolex& w, const WindowUi& ui) {
             ui.PCheckbox->click();
             w.Timer1Timer();
         }, true},
        {"3D and back", [](MarkerTest&, TPirolex&, const WindowUi& ui) {
             ui.GrafikRadio->SetItemIndex(0);
             ui.GrafikRadio->SetItemIndex(1);
         }, true},
        {"1D and back", [](MarkerTest&, TPirolex&, const WindowUi& ui) {
             ui.GrafikRadio->SetItemIndex(2);
             ui.GrafikRadio->SetItemIndex(1);
         }, true},
        {"recompute button", [](MarkerTest&, TPirolex& w, const WindowUi&) { w.ToolButton3Click(); }, true},
        {"band", [](MarkerTest&, TPirolex& w, const WindowUi& ui) {
             ui.BandToEdit->setValue(6000);
             ui.BandFromEdit->setValue(2000);
             w.Timer1Timer();
         }, true},
        {"cancelled dialog", [](MarkerTest& t, TPirolex&, const WindowUi&) { t.Open(std::nullopt); }, true},
        {"another recording", [&other](MarkerTest& t, TPirolex&, const WindowUi&) { t.Open(other); }, false},
    };
    for (const Sequence& s : table) {
        SCOPED_TRACE(s.name);
        StartWithClicks(file);
        ASSERT_EQ(Ui().Label1->text(), kClickedSpeed);
        const double hzA = State().session.Marker(MarkerSide::kA)->hz;
        const int runs = Window().Parts().recomputeRuns;
        s.run(*this, Window(), Ui());
        EXPECT_TRUE(fake_.messages.empty());
        if (!s.kept) {
            EXPECT_FALSE(State().session.Marker(MarkerSide::kA));
            EXPECT_FALSE(State().session.Marker(MarkerSide::kB));
            EXPECT_EQ(Ui().Label1->text(), "");
            continue;
        }
        ASSERT_TRUE(State().session.Marker(MarkerSide::kA) && State().session.Marker(MarkerSide::kB));
        EXPECT_EQ(State().session.Marker(MarkerSide::kA)->hz, hzA);
        EXPECT_NEAR(hzA, 112 * kColumnHz, 1e-9);
        EXPECT_EQ(Ui().Label1->text(), kClickedSpeed);
        if (std::string(s.name) == "cancelled dialog") {
            EXPECT_EQ(Window().Parts().recomputeRuns, runs);
        }
        // Drawn again where its frequency lies in the picture as it is now.
        const FrequencyAxis axis = AxisFor(State().session.GetRecording(), State().session.CurrentSettings(), State().session.View());
        const int column = Window().Parts().measurement.MarkerColumn(MarkerSide::kA);
        EXPECT_NEAR(column, axis.ColumnOfHz(hzA), 0.5);
        EXPECT_GT(Dashes(column, kMarkerGreen), 50);
    }
}

// Clicks half a bin and more beside a fly-by's tones, early and late in the picture, land on the
// tones; a click beside every tone stays where it was made.
TEST_F(MarkerTest, ASnappedClickFindsTheToneWithinATenthOfABin) {
    flyby::Params p;
    Start({testwav::WriteTempFile(flyby::MakeWav(p), "markers_snap.wav")});
    Window().Parts().timer1.stop();
    ASSERT_TRUE(Ui().SnapBox->isChecked()) << "on by default";
    const PlotView& view = State().session.View();
    const int early = view.baselineY - 20, late = view.baselineY - 190;
    const double approach = flyby::ApproachFrequency(p), recede = flyby::RecedeFrequency(p);
    const int approachColumn = static_cast<int>(std::lround(10 + approach / kColumnHz + 1.0));
    const int recedeColumn = static_cast<int>(std::lround(10 + recede / kColumnHz - 0.7));
    QTest::mouseClick(Ui().Image1, Qt::LeftButton, {}, QPoint(approachColumn, early));
    QTest::mouseClick(Ui().Image1, Qt::RightButton, {}, QPoint(recedeColumn, late));
    ASSERT_TRUE(State().session.Marker(MarkerSide::kA) && State().session.Marker(MarkerSide::kB));
    EXPECT_TRUE(State().session.Marker(MarkerSide::kA)->Snapped());
    EXPECT_NEAR(State().session.Marker(MarkerSide::kA)->hz, approach, 0.1 * kColumnHz);
    EXPECT_NEAR(State().session.Marker(MarkerSide::kB)->hz, recede, 0.1 * kColumnHz);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), std::lround(10 + State().session.Marker(MarkerSide::kA)->hz / kColumnHz));
    EXPECT_NEAR(Ui().Label1->text().mid(17, 6).toDouble(), p.speedKmh, 1.5) << Ui().Label1->text().toStdString();

    Window().Image1MouseDown(Qt::LeftButton, 300, early);  // 12.5 kHz: between the harmonics
    EXPECT_FALSE(State().session.Marker(MarkerSide::kA)->Snapped());
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 300);
    EXPECT_TRUE(fake_.messages.empty());
}

// A one-second recording at 44100 Hz: 53 frames between lines, 204 lines, line 100 on row 150.
TEST_F(MarkerTest, TheReadoutShowsFrequencyTimeAndTheSpeedARightClickWouldGive) {
    Start({MonoFile("markers_readout.wav", 44100, 44100)});
    Window().Parts().timer1.stop();
    Ui().SnapBox->setChecked(false);
    Send(QEvent::MouseMove, Qt::NoButton, 122, 150);
    EXPECT_EQ(Readout(), "4823.4 Hz  0.49 s");
    Send(QEvent::MouseMove, Qt::NoButton, 122, 260);  // the label strip: no line there
    EXPECT_EQ(Readout(), "4823.4 Hz");
    Send(QEvent::MouseMove, Qt::NoButton, 5, 150);  // left of 0 Hz
    EXPECT_EQ(Readout(), "");

    Window().Image1MouseDown(Qt::LeftButton, 122, 150);
    Send(QEvent::MouseMove, Qt::NoButton, 102, 150);
    EXPECT_EQ(Readout(), "3962.1 Hz  0.49 s  B: 120.00 km/h");
    Ui().GrafikRadio->SetItemIndex(0);
    Send(QEvent::MouseMove, Qt::NoButton, 102, 150);
    EXPECT_EQ(Readout(), "") << "3D has no such axis";
}

// A middle drag from column 60 to 160 zooms to their frequencies; the markers stay at theirs; a
// middle double click returns to the whole band.
TEST_F(MarkerTest, AMiddleDragChoosesTheBandAndADoubleClickReturnsToTheWholeBand) {
    StartWithClicks(MonoFile("markers_band.wav", 44100, 44100));
    const int runs = Window().Parts().recomputeRuns;
    Send(QEvent::MouseButtonPress, Qt::MiddleButton, 60, 120);
    Send(QEvent::MouseMove, Qt::MiddleButton, 110, 120);
    EXPECT_TRUE(Ui().Image1->HasSelection());
    Send(QEvent::MouseButtonRelease, Qt::MiddleButton, 160, 120);
    EXPECT_FALSE(Ui().Image1->HasSelection());
    EXPECT_EQ(Window().Parts().recomputeRuns, runs + 1);
    EXPECT_NEAR(State().session.CurrentSettings().bandLowHz, 50 * kColumnHz, 1e-9);
    EXPECT_NEAR(State().session.CurrentSettings().bandHighHz, 150 * kColumnHz, 1e-9);
    EXPECT_EQ(Ui().BandFromEdit->value(), 2153);
    EXPECT_EQ(Ui().BandToEdit->value(), 6460);
    // 4823.4 Hz lies 62 % into the band's 512 units.
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 10 + std::lround(62.0 / 100 * 512));
    EXPECT_EQ(Ui().Label1->text(), kClickedSpeed);

    Send(QEvent::MouseButtonDblClick, Qt::MiddleButton, 200, 120);
    EXPECT_FALSE(State().session.CurrentSettings().BandZoomed());
    EXPECT_EQ(Ui().BandToEdit->value(), 22050);
    EXPECT_EQ(Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 122);
    EXPECT_TRUE(fake_.messages.empty());
}

}  // namespace
}  // namespace pirolex::testing
