// The options of `pirolex render` and `pirolex measure`: what each sets, and the one line that
// names a bad one together with the allowed values.
#include "plot_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pirolex {
namespace {

using Args = std::vector<std::string>;

TEST(PlotRequest, RenderDefaultsAreTheWindowsStartUpSettings) {
    PlotRequest r;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png"}, r), "");
    EXPECT_EQ(r.file, "f.wav");
    EXPECT_EQ(r.output, "x.png");
    EXPECT_EQ(r.settings.picture, Picture::k2D);
    EXPECT_EQ(r.settings.fftExponent, 10);
    EXPECT_EQ(r.settings.channel, Channel::kLeft);
    EXPECT_EQ(r.settings.accuracy, Accuracy::kApproximate);
    EXPECT_FALSE(r.settings.iqPhase);
    EXPECT_EQ(r.settings.filterMode, FilterMode::kConstantPoints);
    EXPECT_EQ(r.settings.pointsPerLine, 20);
    EXPECT_EQ(r.outerWidth, 846);
    EXPECT_EQ(r.outerHeight, 438);
    EXPECT_FALSE(r.caption);
}

TEST(PlotRequest, RenderTakesTheRecordsValuesWithCaption) {
    PlotRequest r;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png", "--caption", "--temp", "-5", "--b", "3961.6",
                               "--a", "4822.8"},
                              r),
              "");
    EXPECT_TRUE(r.caption);
    EXPECT_EQ(r.settings.temperature, -5);
    EXPECT_EQ(r.frequencyA, 4822.8);
    EXPECT_EQ(r.frequencyB, 3961.6);
    PlotRequest bare;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png", "--caption"}, bare), "");
    EXPECT_TRUE(bare.caption);
    EXPECT_EQ(bare.frequencyA, 0.0);
}

TEST(PlotRequest, RenderOptionsSetTheirControlsInAnyOrder) {
    PlotRequest r;
    ASSERT_EQ(ParseRenderArgs({"-o", "x.png", "--mode", "3D", "--fft", "128", "f.wav", "--channel",
                               "beide", "--fein", "--iq", "--threshold", "0", "--size", "1000x600"},
                              r),
              "");
    EXPECT_EQ(r.file, "f.wav");
    EXPECT_EQ(r.settings.picture, Picture::k3D);
    EXPECT_EQ(r.settings.fftExponent, 7);
    EXPECT_EQ(r.settings.channel, Channel::kBoth);
    EXPECT_EQ(r.settings.accuracy, Accuracy::kExact);
    EXPECT_TRUE(r.settings.iqPhase);
    EXPECT_EQ(r.settings.filterMode, FilterMode::kThreshold);
    EXPECT_EQ(r.settings.threshold, 0);
    EXPECT_EQ(r.outerWidth, 1000);
    EXPECT_EQ(r.outerHeight, 600);
}

TEST(PlotRequest, EachChoiceMapsToItsSetting) {
    struct Case {
        Args extra;
        int picture, exponent, channel;  // picture: 0 = 3D, 1 = 2D, 2 = 1D, 3 = Pegel
    };
    const Case table[] = {
        {{"--mode", "1D", "--fft", "256", "--channel", "rechts"}, 2, 8, 1},
        {{"--mode", "2d", "--fft", "512", "--channel", "links"}, 1, 9, 0},
        {{"--mode", "3d", "--fft", "1024"}, 0, 10, 0},
        {{"--mode", "2D", "--fft", "2048"}, 1, 11, 0},
        {{"--mode", "1D", "--fft", "16384"}, 2, 14, 0},
        {{"--mode", "Pegel", "--fft", "4096"}, 3, 12, 0},
        {{"--mode", "pegel", "--fft", "8192"}, 3, 13, 0},
    };
    for (const Case& c : table) {
        PlotRequest r;
        Args args = {"f.wav", "-o", "x.png"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ASSERT_EQ(ParseRenderArgs(args, r), "") << c.extra[1];
        EXPECT_EQ(int(r.settings.picture), c.picture) << c.extra[1];
        EXPECT_EQ(r.settings.fftExponent, c.exponent) << c.extra[3];
        EXPECT_EQ(int(r.settings.channel), c.channel);
    }
    PlotRequest level;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png", "--mode", "Pegel", "--range", "150", "--gain", "60"}, level), "");
    EXPECT_EQ(level.settings.levelRangeDb, 150);
    EXPECT_EQ(level.settings.levelGainDb, 60);
    PlotRequest r;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png", "--points", "50", "--size", "300X200"}, r), "");
    EXPECT_EQ(r.settings.filterMode, FilterMode::kConstantPoints);
    EXPECT_EQ(r.settings.pointsPerLine, 50);
    EXPECT_EQ(r.outerWidth, 300);
    EXPECT_EQ(r.outerHeight, 200);
}

// Measure takes every option of render that changes the picture, so that it measures on the
// picture render draws with the same options.
TEST(PlotRequest, MeasureTakesFrequenciesTemperatureAndThePictureOptionsOfRender) {
    PlotRequest r;
    ASSERT_EQ(ParseMeasureArgs({"f.wav", "--a", "4430.5", "--b", "3650", "--temp", "-20", "--size",
                                "4096x4096", "--fft", "128", "--channel", "beide", "--fein", "--iq",
                                "--threshold", "7", "--snap"},
                               r),
              "");
    EXPECT_TRUE(r.snap);
    EXPECT_DOUBLE_EQ(r.frequencyA, 4430.5);
    EXPECT_DOUBLE_EQ(r.frequencyB, 3650.0);
    EXPECT_EQ(r.settings.temperature, -20);
    EXPECT_EQ(r.outerWidth, 4096);
    EXPECT_EQ(r.settings.fftExponent, 7);
    EXPECT_EQ(r.settings.channel, Channel::kBoth);
    EXPECT_EQ(r.settings.accuracy, Accuracy::kExact);
    EXPECT_TRUE(r.settings.iqPhase);
    EXPECT_EQ(r.settings.filterMode, FilterMode::kThreshold);
    EXPECT_EQ(r.settings.threshold, 7);
    PlotRequest d;
    ASSERT_EQ(ParseMeasureArgs({"--b", "1e3", "--a", "2000", "f.wav", "--points", "33"}, d), "");
    EXPECT_EQ(d.settings.temperature, 15);
    EXPECT_DOUBLE_EQ(d.frequencyB, 1000.0);
    EXPECT_EQ(d.settings.fftExponent, 10);
    EXPECT_EQ(d.settings.filterMode, FilterMode::kConstantPoints);
    EXPECT_EQ(d.settings.pointsPerLine, 33);
    EXPECT_FALSE(d.snap);
}

struct BadCase {
    Args args;
    std::string expected;  // a part of the one line
};

void ExpectRefused(const std::vector<BadCase>& table,
                   std::string (*parse)(const Args&, PlotRequest&)) {
    for (const BadCase& c : table) {
        PlotRequest r;
        const std::string problem = parse(c.args, r);
        std::string call;
        for (const std::string& a : c.args) call += a + " ";
        EXPECT_NE(problem.find(c.expected), std::string::npos) << call << "-> " << problem;
        EXPECT_EQ(problem.find('\n'), std::string::npos) << call;
    }
}

TEST(PlotRequest, BadRenderArgumentsNameTheProblemAndTheAllowedValues) {
    const Args base = {"f.wav", "-o", "x.png"};
    auto with = [&](Args extra) {
        Args a = base;
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    };
    ExpectRefused(
        {
            {with({"--mode", "4D"}), "--mode 4D: erlaubt sind 3D, 2D, 1D und Pegel"},
            {with({"--fft", "300"}), "--fft 300: erlaubt sind 128, 256, 512, 1024, 2048, 4096, 8192 und 16384"},
            {with({"--fft"}), "--fft erwartet einen Wert: erlaubt sind 128, 256, 512, 1024, 2048, 4096, 8192 und 16384"},
            {with({"--channel", "mitte"}), "erlaubt sind links, rechts und beide"},
            {with({"--threshold", "31"}), "--threshold 31: erlaubt sind die ganzen Zahlen 0..30"},
            {with({"--threshold", "-1"}), "0..30"},
            {with({"--threshold", "2.5"}), "0..30"},
            {with({"--points", "4"}), "--points 4: erlaubt sind die ganzen Zahlen 5..50"},
            {with({"--range", "19"}), "--range 19: erlaubt sind die ganzen Zahlen 20..150 (dB)"},
            {with({"--gain", "61"}), "--gain 61: erlaubt sind die ganzen Zahlen 0..60 (dB)"},
            {with({"--points", "51"}), "5..50"},
            {with({"--size", "299x438"}), "--size 299x438: erlaubt sind BREITExHÖHE von 300x200 bis 4096x4096"},
            {with({"--size", "846x199"}), "300x200 bis 4096x4096"},
            {with({"--size", "4097x438"}), "300x200 bis 4096x4096"},
            {with({"--size", "846x"}), "300x200 bis 4096x4096"},
            {with({"--size", "846*438"}), "300x200 bis 4096x4096"},
            {with({"--frobnicate"}), "unbekannte Option „--frobnicate“ (erlaubt: -o, --mode, --fft, "
                                     "--channel, --fein, --iq, --threshold, --points, --size, --start"},
            {with({"--start", "-0.1"}), "--start -0.1: erlaubt sind Sekunden ab 0"},
            {with({"--start", "1,5"}), "--start 1,5: erlaubt sind Sekunden ab 0"},
            {with({"--length", "1.9"}), "--length 1.9: erlaubt sind Sekunden ab 2 bis zur Länge der Aufnahme"},
            {with({"--band", "900-300"}), "--band 900-300: erlaubt sind VON-BIS in Hz mit 0 ≤ VON < BIS"},
            {with({"--band", "300-300"}), "0 ≤ VON < BIS"},
            {with({"--band", "-100-900"}), "0 ≤ VON < BIS"},
            {with({"--band", "300"}), "0 ≤ VON < BIS"},
            {with({"--band", "300-9x"}), "0 ≤ VON < BIS"},
            {with({"--band", "300-340"}), "mindestens 50 Hz breit"},  // narrower than the window takes
            {with({"--temp", "15"}), "--a, --b und --temp gehören bei render zu --caption"},
            {with({"--a", "4000", "--b", "3000"}), "gehören bei render zu --caption"},
            {with({"--caption", "--a", "4000"}), "--caption nimmt --a und --b zusammen"},
            {with({"--caption", "--temp", "41"}), "--temp 41: erlaubt sind Zahlen von -20 bis 40 (auf Zehntel)"},
            {with({"--caption", "--a", "0", "--b", "3000"}), "--a 0: erlaubt sind Frequenzen in Hz über 0"},
            {with({"--fft", "512", "--fft", "256"}), "--fft ist doppelt angegeben"},
            {with({"--threshold", "10", "--points", "20"}), "--threshold und --points schließen sich aus"},
            {with({"g.wav"}), "nur eine Aufnahme möglich, „g.wav“ ist zu viel"},
            {{"-o", "x.png"}, "render erwartet eine Aufnahme"},
            {{"f.wav"}, "render erwartet -o BILD.png"},
            {{"f.wav", "-o"}, "-o erwartet einen Wert"},
        },
        ParseRenderArgs);
}

TEST(PlotRequest, BadMeasureArgumentsNameTheProblemAndTheAllowedValues) {
    ExpectRefused(
        {
            {{"f.wav", "--a", "0", "--b", "3000"}, "--a 0: erlaubt sind Frequenzen in Hz über 0"},
            {{"f.wav", "--a", "-5", "--b", "3000"}, "Frequenzen in Hz über 0"},
            {{"f.wav", "--a", "4000", "--b", "abc"}, "--b abc: erlaubt sind Frequenzen in Hz über 0"},
            {{"f.wav", "--a", "inf", "--b", "3000"}, "über 0"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--temp", "41"}, "--temp 41: erlaubt sind Zahlen von -20 bis 40 (auf Zehntel)"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--temp", "-21"}, "-20 bis 40"},
            {{"f.wav", "--a", "4000"}, "measure erwartet --a HZ und --b HZ"},
            {{"--a", "4000", "--b", "3000"}, "measure erwartet eine Aufnahme"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--mode", "2D"},
             "unbekannte Option „--mode“ (erlaubt: --a, --b, --temp, --snap, --fft, --channel, --fein, --iq, "
             "--threshold, --points, --size, --start"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--fft", "100"}, "--fft 100: erlaubt sind 128, 256, 512, 1024, 2048, 4096, 8192 und 16384"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--snap", "--snap"}, "--snap ist doppelt angegeben"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--threshold", "10", "--points", "20"},
             "--threshold und --points schließen sich aus"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--snap", "--at-a", "-1"},
             "--at-a -1: erlaubt sind Sekunden ab 0 bis zum Ende der Aufnahme (wann A geklickt wird)"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--snap", "--at-b", "x"}, "--at-b x: erlaubt sind Sekunden"},
            {{"f.wav", "--a", "4000", "--b", "3000", "--at-a", "2"}, "--at-a und --at-b gehören zu --snap"},
        },
        ParseMeasureArgs);
}

// A band is read as FROM-TO hertz, and its top must lie at or below half the recording's rate;
// measure's frequencies must lie inside it.
TEST(PlotRequest, TheBandLiesBelowHalfTheRateAndHoldsTheMarkers) {
    PlotRequest r;
    ASSERT_EQ(ParseMeasureArgs({"f.wav", "--a", "620", "--b", "580", "--band", "0-900.5"}, r), "");
    EXPECT_EQ(r.settings.bandLowHz, 0.0);
    EXPECT_EQ(r.settings.bandHighHz, 900.5);
    EXPECT_EQ(CheckMeasureAgainst(r, 1, 44100), "");
    EXPECT_EQ(CheckBandAgainst(r, 1801), "");
    EXPECT_EQ(CheckBandAgainst(r, 1799),
              "--band 0-900.5: erlaubt sind Frequenzen bis 899.5 Hz, die halbe Samplerate von f.wav");
    r.frequencyA = 901;
    EXPECT_EQ(CheckMeasureAgainst(r, 1, 44100),
              "--a 901: erlaubt sind Frequenzen im Band --band 0-900.5");
    PlotRequest whole;
    ASSERT_EQ(ParseRenderArgs({"f.wav", "-o", "x.png"}, whole), "");
    EXPECT_FALSE(whole.settings.BandZoomed());
    EXPECT_EQ(CheckBandAgainst(whole, 8000), "");
}

// A span must lie inside the recording: 800000 frames at 10 kHz leave 10 s for its start.
TEST(PlotRequest, TheSpanStartsInsideTheRecording) {
    PlotRequest r;
    r.file = "long.m4a";
    Recording longer{10000, {std::vector<int16_t>(800000)}};
    Recording fits{10000, {std::vector<int16_t>(700000)}};
    for (const double ok : {0.0, 4.25, 10.0}) {
        r.start = ok;
        EXPECT_EQ(CheckStartAgainst(r, longer), "") << ok;
    }
    r.start = 10.01;
    EXPECT_EQ(CheckStartAgainst(r, longer),
              "--start 10.01: erlaubt sind 0 bis 10 Sekunden, damit der Ausschnitt von 700000 Samples "
              "in long.m4a liegt");
    r.start = 0.0;
    EXPECT_EQ(CheckStartAgainst(r, fits), "");
    r.start = 0.5;
    EXPECT_EQ(CheckStartAgainst(r, fits),
              "--start 0.5: long.m4a passt ganz in die Grafik (höchstens 700000 Samples), erlaubt ist nur 0");
}

// A span of its own length: up to the whole recording, and its start leaves room for it.
TEST(PlotRequest, TheSpansLengthFitsTheRecording) {
    PlotRequest r;
    r.file = "long.m4a";
    const Recording minute{10000, {std::vector<int16_t>(600000)}};
    const struct {
        double length;
        std::optional<double> start;
        std::string problem;
    } cases[] = {
        {60.0, std::nullopt, ""},
        {60.05, std::nullopt, "--length 60.05: erlaubt sind 2 bis 60 Sekunden, die Länge von long.m4a"},
        {20.0, 40.0, ""},
        {20.0, 40.1,
         "--start 40.1: erlaubt sind 0 bis 40 Sekunden, damit der Ausschnitt von 200000 Samples in long.m4a liegt"},
        {2.0, 58.0, ""},
    };
    for (const auto& c : cases) {
        r.length = c.length;
        r.start = c.start;
        EXPECT_EQ(CheckStartAgainst(r, minute), c.problem) << c.length;
    }
}

// A click's moment lies in the recording and in the span its picture shows.
TEST(PlotRequest, ClickedMomentsLieInTheSpanShown) {
    PlotRequest r;
    r.file = "long.m4a";
    const Recording recording{10000, {std::vector<int16_t>(800000)}};  // 80 s
    struct Case {
        std::optional<double> atA, atB;
        const char* problem;
    };
    const Case cases[] = {
        {10.0, 80.0, ""},
        {std::nullopt, 80.5, "--at-b 80.5: erlaubt sind 0 bis 80 Sekunden, die Länge von long.m4a"},
        {9.5, std::nullopt,
         "--at-a 9.5: erlaubt sind 10 bis 80 Sekunden, der Ausschnitt, den die Grafik zeigt (--start wählt ihn)"},
    };
    for (const Case& c : cases) {
        r.atA = c.atA;
        r.atB = c.atB;
        EXPECT_EQ(CheckClickTimesAgainst(r, recording, 100000, 700000), c.problem);
    }
}

TEST(PlotRequest, TheRecordingDecidesChannelsAndTheHighestFrequency) {
    PlotRequest r;
    r.file = "mono.wav";
    for (int channel : {1, 2}) {
        r.settings.channel = static_cast<Channel>(channel);
        EXPECT_NE(CheckRenderAgainst(r, 1).find("mono.wav hat nicht zwei Kanäle, erlaubt ist nur links"),
                  std::string::npos);
        EXPECT_EQ(CheckRenderAgainst(r, 2), "");
    }
    r.settings.channel = Channel::kLeft;
    EXPECT_EQ(CheckRenderAgainst(r, 1), "");

    r.frequencyA = 22050.0;
    r.frequencyB = 100.0;
    EXPECT_EQ(CheckMeasureAgainst(r, 1, 44100), "");
    r.frequencyB = 22050.5;
    EXPECT_EQ(CheckMeasureAgainst(r, 1, 44100),
              "--b 22050.5: erlaubt sind Frequenzen über 0 bis 22050 Hz, die halbe Samplerate von mono.wav");
    r.settings.channel = Channel::kRight;
    EXPECT_EQ(CheckMeasureAgainst(r, 1, 44100),
              "--channel rechts: mono.wav hat nicht zwei Kanäle, erlaubt ist nur links");
}

}  // namespace
}  // namespace pirolex
