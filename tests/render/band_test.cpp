// A zoomed frequency band: the pictures of a low tone drawn where the band puts it and nowhere
// outside the plot, the band's ends on the axis, and the markers' lines and labels.
#include "fitted_curve.h"
#include "spectrogram_pass.h"
#include "marker_drawing.h"
#include "picture.h"
#include "render_fixture.h"

#include <cmath>
#include <memory>

namespace pirolex::test {
namespace {

Recording Tone(double hz, int32_t frames = 88200) {
    Recording r;
    r.sampleRate = 44100;
    r.channels.assign(1, std::vector<int16_t>(static_cast<size_t>(frames)));
    for (int32_t i = 0; i < frames; ++i)
        r.channels[0][i] = static_cast<int16_t>(std::lround(20000 * std::sin(2 * M_PI * hz * i / 44100.0)));
    return r;
}

class BandTest : public RenderTest {
protected:
    void Draw(const Recording& recording) {
        const int32_t step = LineStep(settings.picture, recording.FrameCount(), settings.FftMask());
        DrawPicture(recording, settings, step, *state, canvas, view, effects);
    }
    // Painted pixels of column x above the baseline.
    int Ink(int x) const {
        int n = 0;
        for (int y = 0; y < 250; ++y) n += Px(x, y) != kWhite;
        return n;
    }
    std::unique_ptr<PictureState> state = std::make_unique<PictureState>();
};

// 200 Hz lies in bins 4 and 5 of 1024 points (172 and 215 Hz), which the whole band never draws;
// in the band 100..700 Hz it lies at column 10 + 100 x 512 / 600 = 95.3, bin 4 covering columns
// 54..90 and bin 5 columns 91..126.
TEST_F(BandTest, ALowToneIsDrawnWhereTheBandPutsIt) {
    const Recording tone = Tone(200);
    Draw(tone);
    EXPECT_EQ(Ink(14) + Ink(15), 0) << "the whole band drops bins 0..9";
    settings.bandLowHz = 100;
    settings.bandHighHz = 700;
    Draw(tone);
    EXPECT_GT(Ink(95), 150);
    EXPECT_GT(Ink(60), 150);
    EXPECT_GT(Ink(120), 150);
    EXPECT_EQ(Ink(135), 0);  // bin 6 (258 Hz) starts at column 136 and holds no tone
}

// Nothing lies left of the plot's left edge or right of the end column (in 3D, right of it by
// more than the depth of the last line). 330 Hz lies in bins 7 (301 Hz, left of the band) and 8
// (345 Hz, column 43), so the tone's flank crosses the left edge.
TEST_F(BandTest, NothingIsDrawnOutsideTheBand) {
    const Recording tone = Tone(330);
    settings.bandLowHz = 320;
    settings.bandHighHz = 700;
    for (const Picture picture : {Picture::k2D, Picture::k3D, Picture::k1D}) {
        settings.picture = picture;
        Draw(tone);
        int inside = 0;
        for (int x = 10; x <= 522; ++x) inside += Ink(x);
        EXPECT_GT(inside, 100) << int(picture);
        for (int x = 0; x < 10; ++x) ASSERT_EQ(Ink(x), 0) << int(picture) << " column " << x;
        const int right = picture == Picture::k3D ? 522 + 250 : 522;
        for (int x = right + 1; x < kDesignWidth; ++x) ASSERT_EQ(Ink(x), 0) << int(picture) << " column " << x;
    }
}

TEST_F(BandTest, TheAxisLabelsNameTheBandsEnds) {
    settings.bandLowHz = 3500;
    settings.bandHighHz = 5500;
    const FrequencyAxis axis = AxisFor(Tone(200, 10), settings, view);
    EXPECT_EQ(FrequencyLabelText(axis, view.plotLeft), "3500 Hz");
    EXPECT_EQ(FrequencyLabelText(axis, axis.EndColumn()), "5500 Hz");
}

// A fitted curve follows the band: 600 Hz at column 266 of the band 300..900 Hz, on every line;
// a curve outside the band draws nothing.
TEST_F(BandTest, AFittedCurveLiesAtItsFrequencyInTheBand) {
    const FrequencyAxis axis(44100, 1, view.plotLeft, view.xScale, 300, 900);
    const TimeAxis lines{44100, 1024, 100, 0, kMaxLines, 88200};
    const struct {
        double hz;
        int column, points;
    } cases[] = {{600, 266, 218}, {1000, 0, 0}};
    for (const auto& c : cases) {
        canvas.Clear();
        DrawFittedCurve(Drawing{canvas, view, axis, effects}, lines, [&](double) { return c.hz; }, 0, 10);
        int points = 0;
        for (int x = 0; x < kDesignWidth; ++x) points += Ink(x);
        EXPECT_EQ(points, c.points) << c.hz;
        if (c.points > 0) {
            EXPECT_EQ(Ink(c.column), c.points) << c.hz;  // 218 lines: (88200 - 1024) / 400 + 1
        }
    }
}

// Text pixels of a label: the marker's colour dominates them.
struct LabelPixels {
    int green = 0, red = 0;
    int greenLeft = 1 << 20, greenRight = -1, redLeft = 1 << 20, redRight = -1;
};

LabelPixels LabelInk(const PlotCanvas& canvas) {
    LabelPixels ink;
    for (int y = 250; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x) {
            const uint32_t p = canvas.Pixel(x, y);
            const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
            if (g > r + 20 && g > b + 20) {
                ++ink.green;
                ink.greenLeft = std::min(ink.greenLeft, x);
                ink.greenRight = std::max(ink.greenRight, x);
            } else if (r > g + 20 && r > b + 20) {
                ++ink.red;
                ink.redLeft = std::min(ink.redLeft, x);
                ink.redRight = std::max(ink.redRight, x);
            }
        }
    return ink;
}

// Two markers three columns apart, in either order and at both edges of the canvas: each label
// keeps every text pixel it has alone, and the two lie side by side.
TEST_F(BandTest, MarkerLabelsCloseTogetherStayReadable) {
    const FrequencyAxis axis = Axis();
    const Drawing drawing{canvas, view, axis, effects};
    const MarkerMark a0{0, kMarkerGreen, "4823 Hz"}, b0{0, kMarkerRed, "4822.8 Hz"};
    const struct {
        int a, b;
    } cases[] = {{200, 203}, {203, 200}, {200, 200}, {12, 15}, {611, 608}};
    for (const auto& c : cases) {
        MarkerMark a = a0, b = b0;
        a.column = c.a;
        b.column = c.b;
        canvas.Clear();
        DrawMarkers(drawing, a, std::nullopt);
        const int greenAlone = LabelInk(canvas).green;
        canvas.Clear();
        DrawMarkers(drawing, std::nullopt, b);
        const int redAlone = LabelInk(canvas).red;
        canvas.Clear();
        DrawMarkers(drawing, a, b);
        const LabelPixels both = LabelInk(canvas);
        EXPECT_GT(greenAlone, 20);
        EXPECT_EQ(both.green, greenAlone) << c.a << " " << c.b;
        EXPECT_EQ(both.red, redAlone) << c.a << " " << c.b;
        EXPECT_TRUE(both.greenRight < both.redLeft || both.redRight < both.greenLeft) << c.a << " " << c.b;
    }
}

// A marker over a trace of its own column leaves part of the trace to be seen, and its own
// colour shows over the whole height, in copy mode even after a right channel's masked line.
TEST_F(BandTest, AMarkerLineLeavesTheTraceUnderItVisible) {
    const uint32_t trace = Rgb(0x7F0000);
    for (int y = 0; y < 250; ++y) canvas.SetPixel(200, y, trace);
    canvas.SetPenMode(PenMode::Mask);
    const FrequencyAxis axis = Axis();
    DrawMarkers(Drawing{canvas, view, axis, effects}, MarkerMark{200, kMarkerRed, "4823 Hz"}, std::nullopt);
    int traceRows = 0, markerRows = 0;
    for (int y = 21; y < 250; ++y) {
        traceRows += Px(200, y) == trace;
        markerRows += Px(200, y) == Rgb(0xFF0000);
    }
    EXPECT_GT(traceRows, 80);
    EXPECT_GT(markerRows, 80);
    for (int y = 21; y < 60; ++y) markerRows -= Px(200, y) == Rgb(0xFF0000);
    EXPECT_LT(markerRows, 229 - 80) << "the dashes reach the top";
    EXPECT_EQ(effects.Count("PresentPlot"), 1);
}

// Band 100..2000 Hz: A at 600 Hz gets guides at 300 (column 63.9), 1200 (306.4) and 1800
// (468.1); in 100..1000 Hz only 300 Hz (column 123.8) lies inside.
TEST_F(BandTest, HarmonicGuidesLieAtTheMultiplesInsideTheBand) {
    const struct {
        double high;
        std::vector<int> columns;
    } cases[] = {{2000, {64, 306, 468}}, {1000, {124}}};
    for (const auto& c : cases) {
        const FrequencyAxis axis(44100, 1, view.plotLeft, view.xScale, 100, c.high);
        canvas.Clear();
        DrawHarmonicGuides(Drawing{canvas, view, axis, effects}, 600);
        std::vector<int> painted;
        for (int x = 0; x < kDesignWidth; ++x)
            if (Ink(x) > 0) painted.push_back(x);
        EXPECT_EQ(painted, c.columns) << c.high;
        EXPECT_GT(Ink(c.columns[0]), 40);
        EXPECT_LT(Ink(c.columns[0]), 120) << "dotted";
    }
}

}  // namespace
}  // namespace pirolex::test
