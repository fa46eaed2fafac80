// The tool button "Automatisch messen" through the window: the speed in the label, the markers at
// the fitted approach and recede, the fitted curve in the 2D picture, and the refit when the air
// temperature changes.
#include "fitted_curve.h"
#include "flyby.h"
#include "marker_drawing.h"
#include "plot_panel.h"
#include "widgets.h"
#include "window_fixture.h"
#include "wav_writer.h"

#include <QCheckBox>
#include <QLabel>
#include <QToolButton>

#include <cmath>
#include <cstdlib>

namespace pirolex::testing {
namespace {

const std::string kSample = PIROLEX_SAMPLE;

class AutoMeasureTest : public WindowTest {
protected:
    void StartWith(const std::string& path) {
        Start({path});
        Window().Parts().timer1.stop();
        ASSERT_TRUE(State().fileLoaded);
    }
    // The number after "Geschwindigkeit: ", or NaN when the label shows none.
    double LabelKmh() {
        const std::string text = Ui().Label1->text().toStdString();
        const std::string head = "Geschwindigkeit: ";
        if (text.rfind(head, 0) != 0) return std::nan("");
        return std::strtod(text.c_str() + head.size(), nullptr);
    }
    // The frequency a marker's column is labelled with.
    double MarkerHz(int32_t column) {
        return static_cast<double>(
            AxisFor(State().session.GetRecording(), State().session.CurrentSettings(), State().session.View()).LabelHz(column));
    }
    // The marker's colour where its dashed line has a dash, high above the curve's rows.
    uint32_t MarkerPixel(MarkerSide side) {
        const int x = Window().Parts().measurement.MarkerColumn(side);
        for (int y = 30; y < 38; ++y) {
            const uint32_t pixel = Window().Parts().canvas.Pixel(x, y);
            if (pixel == kMarkerGreen || pixel == kMarkerRed) return pixel;
        }
        return kWhite;
    }
    // The curve's columns in the lowest and the highest plot row it reaches, and its pixel count.
    struct Curve {
        int pixels = 0;
        int bottomX = -1;  // earliest: time runs upwards
        int topX = -1;
    };
    Curve FindCurve() {
        Curve curve;
        const PlotCanvas& canvas = Window().Parts().canvas;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x) {
                if (canvas.Pixel(x, y) != kCurveBlue) continue;
                ++curve.pixels;
                if (curve.topX < 0) curve.topX = x;
                curve.bottomX = x;
            }
        return curve;
    }
};

// The sample (the synthesiser's 120 km/h pass of a 4350 Hz tone, 10 m away, at 15 degrees).
TEST_F(AutoMeasureTest, OnTheSampleTheSpeedMarkersAndCurveFollowTheFitAndTheTemperature) {
    StartWith(kSample);
    ASSERT_TRUE(Ui().ToolButton9->isEnabled());
    EXPECT_EQ(Ui().ToolButton9->toolTip(), QStringLiteral("Automatisch messen"));
    Ui().ToolButton9->click();
    WaitForSearch();
    EXPECT_NEAR(LabelKmh(), 120.0, 1.2) << Ui().Label1->text().toStdString();
    EXPECT_TRUE(Ui().Label1->text().contains(QStringLiteral(" km/h (± "))) << Ui().Label1->text().toStdString();

    flyby::Params p;
    p.baseFrequency = 4350.0;
    const double unitHz = 44100 / 2.0 / 1024.0;
    EXPECT_NEAR(MarkerHz(Window().Parts().measurement.MarkerColumn(MarkerSide::kA)), flyby::ApproachFrequency(p), unitHz);
    EXPECT_NEAR(MarkerHz(Window().Parts().measurement.MarkerColumn(MarkerSide::kB)), flyby::RecedeFrequency(p), unitHz);
    // Above the picture's lines, where the curve does not reach.
    EXPECT_EQ(MarkerPixel(MarkerSide::kA), kMarkerGreen);
    EXPECT_EQ(MarkerPixel(MarkerSide::kB), kMarkerRed);
    // The curve rises from the approach's column at the bottom to the recede's at the top, in
    // about one pixel per row between.
    const Curve curve = FindCurve();
    EXPECT_GT(curve.pixels, 150);
    EXPECT_NEAR(curve.bottomX, Window().Parts().measurement.MarkerColumn(MarkerSide::kA), 2);
    EXPECT_NEAR(curve.topX, Window().Parts().measurement.MarkerColumn(MarkerSide::kB), 2);
    if (const char* shot = std::getenv("PIROLEX_AUTO_SCREENSHOT")) {
        Window().show();
        Window().grab().save(QString::fromLocal8Bit(shot));
        Window().hide();
    }

    // The same pitches at 35 degrees: the speed grows with the speed of sound.
    const double at15 = LabelKmh();
    Ui().SpinEdit1->setValue(35);
    WaitForSearch();
    EXPECT_NEAR(LabelKmh() / at15, std::sqrt((273.15 + 35) / (273.15 + 15)), 0.001);
    EXPECT_EQ(MarkerPixel(MarkerSide::kA), kMarkerGreen);
    EXPECT_GT(FindCurve().pixels, 150);
    // A recompute keeps it; a marker placed by hand ends it: no curve, a new pair of markers
    // begins, and with its second marker the markers' speed.
    const QString label = Ui().Label1->text();
    Window().ToolButton3Click();
    EXPECT_GT(FindCurve().pixels, 150);
    EXPECT_EQ(Ui().Label1->text(), label);
    // "Kurve" off shows the track under it; the markers and the speed stay.
    QCheckBox* curveBox = Window().Parts().plot.CurveBox();
    curveBox->setChecked(false);
    EXPECT_EQ(FindCurve().pixels, 0);
    EXPECT_EQ(MarkerPixel(MarkerSide::kA), kMarkerGreen);
    EXPECT_EQ(Ui().Label1->text(), label);
    curveBox->setChecked(true);
    EXPECT_GT(FindCurve().pixels, 150);
    Ui().SnapBox->setChecked(false);
    const int32_t columnA = Window().Parts().measurement.MarkerColumn(MarkerSide::kA);
    Window().Image1MouseDown(Qt::RightButton, Window().Parts().measurement.MarkerColumn(MarkerSide::kB) - 1, 100);
    EXPECT_EQ(FindCurve().pixels, 0);
    EXPECT_EQ(Ui().Label1->text(), QString());
    Window().Image1MouseDown(Qt::LeftButton, columnA, 100);
    EXPECT_TRUE(Ui().Label1->text().startsWith(QStringLiteral("Geschwindigkeit: ")));
    EXPECT_NE(Ui().Label1->text(), label);
    EXPECT_TRUE(fake_.messages.empty());
}

// Outside the 2D picture the button measures and shows the label, and draws nothing; a
// recording without a pass is refused with the reason in the label.
TEST_F(AutoMeasureTest, In3DOnlyTheLabelAndWithoutAPassTheReason) {
    flyby::Params p;
    p.speedKmh = 200.0;
    p.baseFrequency = 1500.0;
    p.closestDistance = 25.0;
    p.sampleRate = 48000;
    p.channels = 2;
    p.seconds = 8.0;
    StartWith(testwav::WriteTempFile(flyby::MakeWav(p), "auto_window_3d.wav"));
    Ui().GrafikRadio->SetItemIndex(0);  // 3D
    Window().ToolButton9Click();
    WaitForSearch();
    EXPECT_NEAR(LabelKmh(), 200.0, 2.0) << Ui().Label1->text().toStdString();
    EXPECT_EQ(FindCurve().pixels, 0);

    p.passSeconds = 30.0;  // still approaching when the recording ends
    Load(testwav::WriteTempFile(flyby::MakeWav(p), "auto_window_half.wav"));
    Window().ToolButton9Click();
    WaitForSearch();
    EXPECT_TRUE(Ui().Label1->text().startsWith(QStringLiteral("keine Messung: ")))
        << Ui().Label1->text().toStdString();
    EXPECT_TRUE(fake_.messages.empty());
}

}  // namespace
}  // namespace pirolex::testing
