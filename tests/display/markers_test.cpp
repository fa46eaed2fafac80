// Frequency labels, marker placement and the Doppler speed text.
#include "display_fixture.h"
#include "markers.h"
#include "runtime_error.h"

#include <functional>

namespace pirolex::test {
namespace {

constexpr uint32_t kGreen = Rgb(0x008000);
constexpr uint32_t kRed = Rgb(0xFF0000);

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RuntimeError& e) {
        return e.what();
    }
    return "";
}

using FrequencyLabelTest = DisplayTest;

TEST_F(FrequencyLabelTest, NearestWholeNumberToTheColumnFrequencyPlusFourTenths) {
    const std::pair<int, const char*> cases[] = {
        {10, "0 Hz"},     {11, "43 Hz"},  {100, "3876 Hz"}, {522, "22050 Hz"},
        {13, "130 Hz"},   // 129.20 + 0.4: a plain rounding would give 129
        {9, "-43 Hz"},    {0, "-430 Hz"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(FrequencyLabel(state, x), text) << x;
    state.XScale = 2.0;  // twice as many pixels per Hz
    EXPECT_EQ(FrequencyLabel(state, 1034), "22050 Hz");
    state.SampleRate = 48000;
    state.XScale = 1.0;
    EXPECT_EQ(FrequencyLabel(state, 522), "24000 Hz");
}

TEST_F(FrequencyLabelTest, ZeroXScaleFailsLikeTheFloatingPointUnit) {
    state.XScale = 0.0;
    EXPECT_EQ(ErrorOf([&] { FrequencyLabel(state, 100); }), "Gleitkommadivision durch Null");
    EXPECT_EQ(ErrorOf([&] { FrequencyLabel(state, 10); }), "Ungültige Gleitkommaoperation");
    EXPECT_EQ(ErrorOf([&] { FrequenzMarke(state, canvas, effects, 100, kBlack); }),
              "Gleitkommadivision durch Null");
    EXPECT_EQ(effects.Count("PresentPlot"), 0);
}

TEST_F(FrequencyLabelTest, DrawsTheLabelTextOnAnOpaqueBoxBelowTheBaselineAndPresents) {
    for (int y = 240; y < kDesignHeight; ++y)
        for (int x = 90; x < 200; ++x) canvas.SetPixel(x, y, kBlack);
    FrequenzMarke(state, canvas, effects, 100, kGreen);
    EXPECT_EQ(effects.calls, std::vector<std::string>{"PresentPlot"});

    EXPECT_EQ(Px(100, 250), kWhite);  // the box starts at (x, BaselineY)
    EXPECT_EQ(Px(99, 250), kBlack);
    EXPECT_EQ(Px(100, 249), kBlack);
    int greenish = 0;
    for (int y = 250; y < kDesignHeight; ++y)
        for (int x = 100; x < 200; ++x) {
            const uint32_t p = Px(x, y);
            greenish += ((p >> 8) & 0xFF) > (p & 0xFF) && ((p >> 8) & 0xFF) > (p >> 16);
        }
    EXPECT_GT(greenish, 10);
}

using MarkerTest = DisplayTest;

// Rows 21..249 of a marker column: the label box covers the baseline row itself.
void ExpectColumn(const PlotCanvas& canvas, int x, uint32_t colour) {
    for (int y = 21; y < 250; ++y) ASSERT_EQ(canvas.Pixel(x, y), colour) << x << "," << y;
    if (colour != kWhite) {
        EXPECT_NE(canvas.Pixel(x, 20), colour) << "row 20 is the end point";
    }
}

TEST_F(MarkerTest, LeftIsGreenMarkerARightIsRedMarkerBInCopyModeEvenAfterAMaskedLine) {
    for (int y = 0; y < 250; ++y) canvas.SetPixel(100, y, Rgb(0x7F0000));
    canvas.SetPenMode(PenMode::Mask);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 100, 77);
    EXPECT_EQ(state.MarkerA, 100);
    EXPECT_EQ(state.MarkerB, 0);
    ExpectColumn(canvas, 100, kGreen);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Right, 300, 5);
    EXPECT_EQ(state.MarkerB, 300);
    ExpectColumn(canvas, 300, kRed);
    EXPECT_EQ(effects.Count("PresentPlot"), 2);
}

TEST_F(MarkerTest, ClicksCountOnlyIn2DWithASampleRateAndWithLeftOrRight) {
    struct Case {
        int graphMode;
        int sampleRate;
        MouseButton button;
    };
    const Case ignored[] = {{1, 44100, MouseButton::Left},
                            {3, 44100, MouseButton::Right},
                            {2, 0, MouseButton::Left},
                            {2, 44100, MouseButton::Other}};
    for (const auto& c : ignored) {
        state.GraphMode = c.graphMode;
        state.SampleRate = c.sampleRate;
        Image1MouseDown(state, canvas, controls, effects, c.button, 100, 100);
        EXPECT_EQ(state.MarkerA, 0);
        EXPECT_EQ(state.MarkerB, 0);
        EXPECT_EQ(Px(100, 100), kWhite);
        EXPECT_TRUE(effects.calls.empty());
    }
}

TEST_F(MarkerTest, SameButtonTwiceWhitensTheOldLineAndLabelAndRecomputesTheSpeed) {
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Right, 110, 0);
    canvas.SetPixel(200, 150, Rgb(0x7F0000));  // a spectrum point under the next marker
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 200, 0);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 100, 0);
    EXPECT_EQ(state.MarkerA, 100);
    ExpectColumn(canvas, 200, kWhite);
    for (int y = 250; y < kDesignHeight; ++y)
        for (int x = 200; x < 260; ++x) ASSERT_EQ(Px(x, y), kWhite) << x << "," << y;
    ExpectColumn(canvas, 100, kGreen);
    ExpectColumn(canvas, 110, kRed);
    // Erase and redraw each present once.
    EXPECT_EQ(effects.Count("PresentPlot"), 4);
    const auto speeds = effects.Only({"Speed:"});
    ASSERT_EQ(speeds.size(), 2u);
    EXPECT_EQ(speeds[1], "Speed:Geschwindigkeit: 64.42 km/h (± 6.44 km/h) ");
}

TEST_F(MarkerTest, ClickAtColumnZeroDrawsButPlacesNoMarker) {
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 0, 0);
    EXPECT_EQ(state.MarkerA, 0);
    ExpectColumn(canvas, 0, kGreen);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Right, 100, 0);
    EXPECT_TRUE(effects.Only({"Speed:"}).empty());
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 50, 0);
    ExpectColumn(canvas, 0, kGreen);  // nothing to erase
    EXPECT_EQ(effects.Only({"Speed:"}).size(), 1u);
}

struct SpeedCase {
    int markerA;
    int markerB;
    int temperature;
    const char* text;
};

TEST_F(MarkerTest, SpeedTextHasTwoDecimalFieldsOfAtLeastFiveCharacters) {
    const SpeedCase cases[] = {
        {110, 100, 15, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {100, 110, 15, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {100, 100, 15, "Geschwindigkeit:  0.00 km/h (± 6.80 km/h) "},
        // Marker A on the zero column: v = c, so these show the speed of sound itself.
        {10, 110, -20, "Geschwindigkeit: 1147.29 km/h (±11.47 km/h) "},
        {10, 110, 40, "Geschwindigkeit: 1276.03 km/h (±12.76 km/h) "},
        // A marker left of the zero column counts with its negative position.
        {5, 105, 15, "Geschwindigkeit: 1360.04 km/h (±13.60 km/h) "},
    };
    for (const auto& c : cases) {
        effects.calls.clear();
        state.MarkerA = c.markerA;
        state.MarkerB = c.markerB;
        controls.Temperature = c.temperature;
        SpinEdit1Change(state, controls, effects);
        EXPECT_EQ(effects.calls, std::vector<std::string>{std::string("Speed:") + c.text});
    }
}

TEST_F(MarkerTest, SpeedUsesPlotUnitsSoTheXScaleCancels) {
    state.XScale = 2.0;
    state.MarkerA = 210;  // plot units 100 and 90, as in the 1.0 example
    state.MarkerB = 190;
    Speed(state, controls, effects);
    EXPECT_EQ(effects.Only({"Speed:"}),
              std::vector<std::string>{"Speed:Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "});
}

TEST_F(MarkerTest, TemperatureChangeWithFewerThanTwoMarkersChangesNothing) {
    state.MarkerA = 100;
    for (int t : {-20, 15, 40}) {
        controls.Temperature = t;
        SpinEdit1Change(state, controls, effects);
    }
    EXPECT_TRUE(effects.calls.empty());
}

// Below FFT size 1024 a bin spans several plot units; the resolution is then one bin.
TEST_F(MarkerTest, ResolutionIsOneBinWhereABinIsWiderThanAPlotUnit) {
    const struct {
        int exponent, markerA, markerB;
        const char* text;
    } cases[] = {
        {10, 110, 100, "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) "},
        {9, 110, 100, "Geschwindigkeit: 64.42 km/h (±12.88 km/h) "},
        {7, 110, 100, "Geschwindigkeit: 64.42 km/h (±51.54 km/h) "},
        // The bundled sample's two tones, 4822.8 and 3961.6 Hz at 44100 Hz, at FFT size 128.
        {7, 122, 102, "Geschwindigkeit: 120.00 km/h (±48.00 km/h) "},
    };
    for (const auto& c : cases) {
        effects.calls.clear();
        SetFFTExponent(state, c.exponent);
        state.MarkerA = c.markerA;
        state.MarkerB = c.markerB;
        Speed(state, controls, effects);
        EXPECT_EQ(effects.calls, std::vector<std::string>{std::string("Speed:") + c.text});
    }
}

// Frequencies that add up to 0 Hz give no speed; the label says so instead of an error box.
TEST_F(MarkerTest, MarkersWithoutAFrequencyAboveZeroSayThereIsNoSpeed) {
    const std::string none = "Speed:Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)";
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, 5, 0);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Right, 15, 0);  // symmetric
    EXPECT_EQ(state.MarkerB, 15);
    ExpectColumn(canvas, 15, kRed);
    EXPECT_EQ(effects.Only({"Speed:"}), std::vector<std::string>{none});

    effects.calls.clear();
    state.MarkerA = 10;  // both on the zero column
    state.MarkerB = 10;
    Speed(state, controls, effects);
    state.MarkerA = 100;
    state.MarkerB = 110;
    state.SampleRate = 0;  // left behind by a failed load; the temperature still runs Speed
    SpinEdit1Change(state, controls, effects);
    EXPECT_EQ(effects.calls, (std::vector<std::string>{none, none}));
}

}  // namespace
}  // namespace pirolex::test
