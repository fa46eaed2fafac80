// The three pictures, pixel by pixel at the design size (615 x 271: XScale 1, BaselineY 250,
// YScale 1) and at a few other plot sizes.
#include "render_fixture.h"

#include <cmath>
#include <numbers>

namespace pirolex::test {
namespace {

constexpr uint32_t kGreen = Rgb(0x008000);
constexpr uint32_t kDarkRed = Rgb(0x7F0000);
constexpr uint32_t kRed = Rgb(0xFF0000);
constexpr uint32_t kDarkGreen = Rgb(0x007F00);
constexpr uint32_t kBrightGreen = Rgb(0x00FF00);

using Renderer3D = RenderTest;

TEST_F(Renderer3D, FrameAxisAndDepthLinesEndWhereTheDesignSaysNotOnePixelBeyond) {
    settings.picture = Picture::k3D;
    Line(1);
    // The axis runs along the baseline up to, not including, AxisEnd = 522.
    for (int x = 100; x <= 521; ++x) ASSERT_EQ(Px(x, 250), kGreen) << x;
    EXPECT_NE(Px(522, 250), kGreen);
    for (int x = 0; x < kDesignWidth; ++x) ASSERT_NE(Px(x, 249 - 200), kGreen) << "above the frame";
    // Depth line j runs from (10 + 37j, 250) to (110 + 37j, 50): its exact midpoint is on it,
    // its end point is not painted.
    for (int j = 0; j <= 14; ++j) {
        EXPECT_EQ(Px(60 + 37 * j, 150), kGreen) << j;
        EXPECT_NE(Px(59 + 37 * j, 150), kGreen) << j;
        if (110 + 37 * j < kDesignWidth) {
            EXPECT_NE(Px(110 + 37 * j, 50), kGreen) << j;
        }
    }
    EXPECT_EQ(Px(10 + 37 * 14 + 1, 248), kGreen);  // the last line starts at 528
    EXPECT_EQ(effects.Count("PresentPlot"), 2);      // through the two axis labels only
    EXPECT_EQ(canvas.PenColor(), kBlack);
}

TEST_F(Renderer3D, FrameScalesWithThePlotButTheDepthLinesKeepTheir100PixelRun) {
    settings.picture = Picture::k3D;
    Geometry(1220, 521);  // XScale 2, BaselineY 500, YScale 2
    Line(1);
    // j = 1: from (round(74 + 10), 500) to (184, 100); its midpoint (134, 300) is exact.
    EXPECT_EQ(Px(134, 300), kGreen);
    EXPECT_EQ(Px(1033, 500), kGreen);  // axis up to AxisEnd 1034
    EXPECT_NE(Px(1034, 500), kGreen);
}

TEST_F(Renderer3D, Line100RunsAlongTheTopsOfTheDepthLines) {
    settings.picture = Picture::k3D;
    SetAll(0);
    Line(1);
    for (int n = 2; n <= 100; ++n) Line(n);
    for (int j = 0; j <= 13; ++j) EXPECT_EQ(Px(110 + 37 * j, 50), kBlack) << j;
    for (int x = 110; x < kDesignWidth; ++x) ASSERT_EQ(Px(x, 50), kBlack) << x;
    EXPECT_NE(Px(109, 50), kBlack);
    EXPECT_EQ(Px(11, 248), kBlack);  // line 1: n = 1 to the right, 2 up
    EXPECT_NE(Px(10, 248), kBlack);
    EXPECT_EQ(effects.Count("PresentPlot"), 2);
}

TEST_F(Renderer3D, AmplitudeAndShiftAreRoundedOnceTogether) {
    settings.picture = Picture::k3D;
    Geometry(kDesignWidth, kDesignHeight);
    view.xScale = 1.5;
    SetAll(0);
    SetAmplitude(1, 20);
    Line(3);
    // Bin 1 at round(1 x 1.5 + 10 + 3) = round(14.5) = 14, not round(1.5) + 13 = 15.
    EXPECT_EQ(Px(14, 250 - 6 - 20), kBlack);
    EXPECT_NE(Px(15, 224), kBlack);
    EXPECT_NE(Px(13, 224), kBlack);
    EXPECT_EQ(Px(13, 244), kBlack);  // bin 0 at (13, 244)
}

TEST_F(Renderer3D, ShiftUpIsScaledButShiftRightIsNot) {
    settings.picture = Picture::k3D;
    Geometry(kDesignWidth, 421);  // BaselineY 400, YScale 1.6
    SetAll(0);
    Line(10);
    // (k + 10 + 10, round(400 - 20 x 1.6)) = (20 + k, 368)
    EXPECT_EQ(Px(20, 368), kBlack);
    EXPECT_NE(Px(19, 368), kBlack);
    EXPECT_NE(Px(20, 380), kBlack);
}

using Renderer2D = RenderTest;

TEST_F(Renderer2D, LineNIsRow250MinusNAndCoversTheColumnsOfBins1To511) {
    SetAll(1);
    Line(1);
    EXPECT_EQ(Px(10, 249), kWhite);  // bin 0 is not drawn
    for (int x = 11; x <= 521; ++x) ASSERT_EQ(Px(x, 249), kDarkRed) << x;
    EXPECT_EQ(Px(522, 249), kWhite);
    EXPECT_EQ(Px(11, 248), kWhite);
    // Odd lines dark, even lines bright: every line on its own row, up to row 0.
    for (int n = 2; n <= 250; ++n) {
        SetAll(n % 2 == 0 ? 2 : 1);
        Line(n);
    }
    for (int n = 1; n <= 250; ++n) ASSERT_EQ(Px(300, 250 - n), n % 2 == 0 ? kRed : kDarkRed) << n;
    EXPECT_EQ(rows.rowY, 0);
    EXPECT_EQ(rows.previousRowY, 0);
}

TEST_F(Renderer2D, TallPlotFillsEachGapWithTheRowBeneathOverThePlotColumns) {
    Geometry(kDesignWidth, 421);  // BaselineY 400, YScale 1.6
    const double levels[] = {1, 2, 1, 2, 1};
    const int rowOf[] = {398, 397, 395, 394, 392};
    for (int n = 1; n <= 5; ++n) {
        SetAll(levels[n - 1]);
        SetAmplitude(7 + n, 1.0 + (n % 2));  // bin 7 + n paints column 17 + n: rows differ
        if (n == 3) {
            // Marks on row 397 just outside and just inside the filled columns 10..522.
            canvas.SetPixel(9, 397, kBlack);
            canvas.SetPixel(522, 397, kBlack);
            canvas.SetPixel(523, 397, kBlack);
        }
        Line(n);
        EXPECT_EQ(rows.rowY, rowOf[n - 1]) << n;
    }
    for (int x = 0; x < kDesignWidth; ++x) {
        ASSERT_EQ(Px(x, 396), (x == 9 || x == 523) ? kWhite : Px(x, 397)) << x;
        ASSERT_EQ(Px(x, 393), Px(x, 394)) << x;
    }
    EXPECT_EQ(Px(21, 396), kRed);  // a copy of line 2 (bright there), not of line 3 (dark)
    EXPECT_EQ(Px(522, 396), kBlack);
}

TEST_F(Renderer2D, WideGapsRepeatThePreviousLineInEveryRow) {
    Geometry(kDesignWidth, 1021);  // BaselineY 1000, YScale 4: lines 4 rows apart
    SetAll(1);
    Line(1);
    SetAll(2);
    Line(2);
    EXPECT_EQ(rows.previousRowY, 992);
    for (int y = 993; y <= 995; ++y) EXPECT_EQ(Px(300, y), kDarkRed) << y;
    EXPECT_EQ(Px(300, 992), kRed);
}

TEST_F(Renderer2D, FirstLineOfAPassNeverFills) {
    Geometry(kDesignWidth, 421);
    rows.previousRowY = 420;  // left behind by some earlier pass
    for (int x = 0; x < kDesignWidth; ++x) canvas.SetPixel(x, 420, kBlack);
    SetAll(1);
    Line(1);
    EXPECT_EQ(Px(100, 419), kWhite);
    EXPECT_EQ(Px(100, 399), kWhite);
}

TEST_F(Renderer2D, ShortPlotPutsTwoLinesOnOneRowAndTheLaterOneWinsWithItsWhitePoints) {
    Geometry(kDesignWidth, 121);  // BaselineY 100, YScale 0.4
    SetAll(1);
    Line(1);
    EXPECT_EQ(rows.rowY, 100);
    Line(2);
    EXPECT_EQ(rows.rowY, 99);
    SetAll(0);
    SetAmplitude(50, 2);
    Line(3);
    EXPECT_EQ(rows.rowY, 99);
    EXPECT_EQ(Px(59, 99), kWhite);
    EXPECT_EQ(Px(60, 99), kRed);
    EXPECT_EQ(Px(59, 100), kDarkRed);  // line 1 stays
}

struct LevelCase {
    double amplitude;
    int channel;
    uint32_t colour;
};

TEST_F(Renderer2D, LevelColoursAlternateDarkAndBrightPerChannel) {
    const LevelCase cases[] = {
        {0.49, 0, kWhite},   {0.5, 0, kDarkRed},    {1.2, 0, kDarkRed},  {1.5, 0, kRed},
        {2.5, 0, kDarkRed},  {3.7, 0, kRed},        {0.49, 1, kWhite},   {0.5, 1, kDarkGreen},
        {1.5, 1, kBrightGreen}, {2.5, 1, kDarkGreen}, {3.7, 1, kBrightGreen}, {255.4, 0, kDarkRed},
    };
    for (const auto& c : cases) {
        canvas.Clear();
        channel = c.channel == 0 ? Channel::kLeft : Channel::kRight;
        SetAll(0);
        SetAmplitude(100, c.amplitude);
        Line(2);
        EXPECT_EQ(Px(110, 248), c.colour) << c.amplitude << " on channel " << c.channel;
        EXPECT_EQ(canvas.Mode(), c.channel == 0 ? PenMode::Copy : PenMode::Mask);
    }
}

TEST_F(Renderer2D, LevelZeroPaintsWhiteOverChannel0sOldPicture) {
    for (int x = 0; x < kDesignWidth; ++x) canvas.SetPixel(x, 249, kBlack);
    SetAll(0);
    Line(1);
    EXPECT_EQ(Px(10, 249), kBlack);  // bin 0 is not drawn
    EXPECT_EQ(Px(11, 249), kWhite);
    EXPECT_EQ(Px(521, 249), kWhite);
    EXPECT_EQ(Px(522, 249), kBlack);  // never reached by the line
}

struct PhaseCase {
    double phi;
    uint32_t rgb;
};

TEST_F(Renderer2D, PhaseColoursRoundTheWholeSumOnceAndIgnoreTheChannel) {
    using std::numbers::pi;
    const PhaseCase cases[] = {{0, 0x7FFE00},       {pi / 2, 0xFE7F00}, {pi, 0x7F0000},
                               {-pi / 2, 0x007F00}, {0.5, 0x30EF00},    {-2, 0x324A00}};
    settings.iqPhase = true;
    for (int channel : {0, 1}) {
        canvas.Clear();
        this->channel = channel == 0 ? Channel::kLeft : Channel::kRight;
        SetAll(0);
        for (int i = 0; i < 6; ++i) {
            SetAmplitude(101 + i, 1 + i);  // any non-zero level
            phases[101 + i] = cases[i].phi;
        }
        SetAmplitude(120, 0.3);  // level 0 stays white whatever its phase
        phases[120] = 0;
        canvas.SetPixel(120, 248, kBlack);
        Line(2);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Px(111 + i, 248), Rgb(cases[i].rgb)) << cases[i].phi << " channel " << channel;
        EXPECT_EQ(Px(120, 248), channel == 0 ? kWhite : kBlack);
    }
}

TEST_F(Renderer2D, BeideGivesRedGreenAndBlackWhereTheChannelsMeet) {
    SetAll(0);
    SetAmplitude(101, 1);  // left only
    SetAmplitude(103, 1);  // both
    channel = Channel::kLeft;
    Line(1);
    SetAll(0);
    SetAmplitude(102, 1);  // right only
    SetAmplitude(103, 1);
    channel = Channel::kRight;
    Line(1);
    EXPECT_EQ(Px(111, 249), Rgb(0x7F0000));
    EXPECT_EQ(Px(112, 249), Rgb(0x007F00));
    EXPECT_EQ(Px(113, 249), Rgb(0x000000));
    EXPECT_EQ(Px(114, 249), kWhite);
    EXPECT_EQ(canvas.Mode(), PenMode::Mask);  // stays for whatever draws next
}

TEST_F(Renderer2D, FFTSizeSetsTheColumnSpacingNotTheFrequencyScale) {
    SetAll(0);
    SetAmplitude(5, 1);
    Line(1);
    EXPECT_EQ(Px(14, 249), kWhite);
    EXPECT_EQ(Px(15, 249), kDarkRed);  // FFT 1024: bin 5 paints only its own column, 15
    EXPECT_EQ(Px(16, 249), kWhite);

    canvas.Clear();
    settings.fftExponent = 7;  // FFT 128, TableStride 8: 64 points 8 pixels apart
    SetAll(0);
    SetAmplitude(5, 1);
    Line(1);
    // Bin 5 at column 50: from the midpoint towards bin 4 (46) to the one towards bin 6 (54).
    EXPECT_EQ(Px(45, 249), kWhite);
    for (int x = 46; x <= 53; ++x) EXPECT_EQ(Px(x, 249), kDarkRed) << x;
    EXPECT_EQ(Px(54, 249), kWhite);

    canvas.Clear();
    SetAll(1);  // bins 64 and above must not be drawn
    Line(1);
    EXPECT_EQ(Px(517, 249), kDarkRed);
    EXPECT_EQ(Px(518, 249), kWhite);
}

// A click on any column a bin paints reads within half a bin of the bin's frequency, and the
// bin's own column is among them, at any plot width and FFT size.
TEST_F(Renderer2D, EachBinPaintsTheColumnsAroundItsOwnFrequency) {
    for (int width : {kDesignWidth, 1220, 951, 346}) {
        for (int exponent : {10, 7}) {
            Geometry(width, kDesignHeight);
            canvas.Clear();
            settings.fftExponent = exponent;
            const int stride = settings.TableStride();
            for (int k = 10; k < (1 << exponent) / 2 - 10; ++k) {
                SetAll(0);
                SetAmplitude(k, 1);
                Line(1);  // copy mode: each line repaints the whole row
                for (int x = 0; x < width; ++x) {
                    if (Px(x, 249) == kWhite) continue;
                    const double units = (x - view.plotLeft) / view.xScale;
                    ASSERT_LE(std::fabs(units - k * stride), stride / 2.0 + 1e-9)
                        << "width " << width << " N " << (1 << exponent) << " bin " << k << " x " << x;
                }
                const int own = static_cast<int>(std::nearbyint(k * stride * view.xScale + view.plotLeft));
                if (stride * view.xScale >= 1.0) {
                    ASSERT_EQ(Px(own, 249), kDarkRed) << width << " " << k;
                }
            }
        }
    }
}

TEST_F(Renderer2D, PresentsAtTheFrameLabelsAndEvery25thLine) {
    SetAll(1);
    for (int n = 1; n <= 74; ++n) Line(n);
    EXPECT_EQ(effects.Count("PresentPlot"), 2 + 2);  // labels of line 1, lines 25 and 50
    Line(75);
    EXPECT_EQ(effects.Count("PresentPlot"), 5);
    EXPECT_EQ(effects.Count("ShowImage"), 75);
}

TEST_F(Renderer2D, RowOutOfRangeIsARangeError) {
    view.yScale = 1e10;
    SetAll(1);
    try {
        Line(2);
        FAIL() << "no error";
    } catch (const Failure& e) {
        EXPECT_EQ(e.Code(), ErrorCode::kRangeCheck);
    }
}

using Renderer1D = RenderTest;

TEST_F(Renderer1D, EachLineClearsThePlotAndDrawsFivePixelsPerUnitWhateverTheHeight) {
    settings.picture = Picture::k1D;
    Geometry(kDesignWidth, 421);  // BaselineY 400, YScale 1.6
    canvas.SetPixel(300, 10, kBlack);
    SetAll(0);
    SetAmplitude(0, 3);    // the start point takes A[0] without the factor 5
    SetAmplitude(100, 10);
    Line(1);
    EXPECT_EQ(Px(300, 10), kWhite);
    EXPECT_EQ(Px(10, 397), kBlack);
    EXPECT_EQ(Px(110, 350), kBlack);  // bin 100: 50 pixels above the baseline
    EXPECT_EQ(Px(110, 349), kWhite);
    EXPECT_EQ(Px(200, 400), kBlack);
    SetAll(0);
    Line(2);
    EXPECT_EQ(Px(110, 350), kWhite);  // the previous curve is gone
}

TEST_F(Renderer1D, GaugeCountsTwoPerLineHoldsAt100AndEveryLinePauses) {
    settings.picture = Picture::k1D;
    SetAll(0);
    for (int n = 1; n <= 52; ++n) Line(n);
    const auto gauge = effects.Only({"Gauge:", "ShowGauge:"});
    ASSERT_EQ(gauge.size(), 54u);
    EXPECT_EQ(gauge[0], "ShowGauge:1");
    EXPECT_EQ(gauge[1], "Gauge:0");
    EXPECT_EQ(gauge[2], "Gauge:2");
    EXPECT_EQ(gauge[3], "Gauge:4");
    EXPECT_EQ(gauge[51], "Gauge:100");
    EXPECT_EQ(gauge[53], "Gauge:100");
    EXPECT_EQ(effects.Count("Pause:50"), 52);
    EXPECT_EQ(effects.Count("PresentPlot"), 2 * 52);  // both labels of every line
    // Labels before the gauge, the gauge before the pause.
    const auto order = effects.Only({"PresentPlot", "Gauge:", "Pause:"});
    EXPECT_EQ(std::vector<std::string>(order.begin() + 1, order.begin() + 5),
              (std::vector<std::string>{"PresentPlot", "PresentPlot", "Gauge:2", "Pause:50"}));
}

// A pass without a line still gets its frame, and the 1D picture its labels.
TEST_F(RenderTest, EmptyPictureIsTheFrameAlone) {
    const struct {
        Picture picture;
        bool axis;
        std::vector<std::string> calls;
    } cases[] = {
        {Picture::k3D, true, {"ShowImage", "PresentPlot", "PresentPlot"}},
        {Picture::k2D, false, {"ShowImage", "PresentPlot", "PresentPlot"}},
        {Picture::k1D, false, {"ShowImage", "ShowGauge:1", "Gauge:0", "PresentPlot", "PresentPlot"}},
    };
    for (const auto& c : cases) {
        canvas.Clear();
        effects.calls.clear();
        settings.picture = c.picture;
        const FrequencyAxis axis = Axis();
        DrawEmptyPicture(settings, Drawing{canvas, view, axis, effects});
        EXPECT_EQ(effects.calls, c.calls);
        EXPECT_EQ(Px(300, 250) == Rgb(0x008000), c.axis);
        EXPECT_EQ(canvas.PenColor(), kBlack);
    }
}

}  // namespace
}  // namespace pirolex::test
