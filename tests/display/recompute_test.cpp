// The full recompute: clearing, the markers and the speed label per pass, the hint and the final
// presentation.
#include "display_fixture.h"
#include "recompute.h"

namespace pirolex::test {
namespace {

using RecomputeTest = DisplayTest;

TEST_F(RecomputeTest, WithoutALoadedFileNothingHappens) {
    state.FileLoaded = false;
    state.MarkerA = 100;
    canvas.SetPixel(5, 5, kBlack);
    Recompute(*session, canvas, controls, effects);
    EXPECT_TRUE(effects.calls.empty());
    EXPECT_EQ(state.MarkerA, 100);
    EXPECT_EQ(Px(5, 5), kBlack);
}

struct RecomputeCase {
    int channelSelect;
    int graphMode;
    int lastChannel;
    std::vector<std::string> calls;
};

// Without a complete block each pass draws only its frame, whose two labels present the plot.
TEST_F(RecomputeTest, ClearsThePlotAndTheMeasurementBeforeEachPassAndShowsTheHintIn2DOnly) {
    const std::string labels = "PresentPlot";
    const RecomputeCase cases[] = {
        {0, 2, 0, {"ImageHint:0", "Speed:", labels, labels, "ImageHint:1", "PresentPlot"}},
        {1, 2, 1, {"ImageHint:0", "Speed:", labels, labels, "ImageHint:1", "PresentPlot"}},
        {2, 2, 1,
         {"ImageHint:0", "Speed:", labels, labels, "Speed:", labels, labels, "ImageHint:1", "PresentPlot"}},
        {2, 1, 1,
         {"ImageHint:0", "Speed:", labels, labels, "Speed:", labels, labels, "ImageHint:0", "PresentPlot"}},
        {0, 3, 0, {"ImageHint:0", "Speed:", labels, labels, "ImageHint:0", "PresentPlot"}},
    };
    state.FileLoaded = true;
    state.StoredCount = 0;  // no complete block: the passes draw no line
    for (const auto& c : cases) {
        effects.calls.clear();
        state.ChannelSelect = c.channelSelect;
        state.GraphMode = c.graphMode;
        state.DrawChannel = 1 - c.lastChannel;
        state.MarkerA = 100;
        state.MarkerB = 110;
        canvas.SetPixel(5, 5, kBlack);
        Recompute(*session, canvas, controls, effects);
        EXPECT_EQ(effects.Only({"ImageHint", "Speed:", "PresentPlot"}), c.calls)
            << c.channelSelect << " " << c.graphMode;
        EXPECT_EQ(effects.calls.back(), "PresentPlot");
        EXPECT_EQ(state.DrawChannel, c.lastChannel);
        EXPECT_EQ(state.MarkerA, 0);
        EXPECT_EQ(state.MarkerB, 0);
        EXPECT_EQ(Px(5, 5), kWhite);
    }
}

// A recording shorter than one block: each picture still gets its frame and axis labels (black
// text below the baseline at 0 Hz), and each pass says why no line is drawn.
TEST_F(RecomputeTest, ShortRecordingGetsTheFrameAndTheReasonForTheEmptyPicture) {
    state.FileLoaded = true;
    state.ChannelSelect = 2;
    SetFFTExponent(state, 9);
    state.StoredCount = 512 + 2;
    const std::string notice = "Notice:Aufnahme kürzer als ein FFT-Block (512 Samples)";
    for (int mode : {1, 2, 3}) {
        effects.calls.clear();
        state.GraphMode = mode;
        Recompute(*session, canvas, controls, effects);
        EXPECT_EQ(effects.Only({"Notice:"}), (std::vector<std::string>{notice, notice})) << mode;
        int labelInk = 0;
        for (int y = 250; y < kDesignHeight; ++y)
            for (int x = 10; x < 60; ++x) labelInk += Px(x, y) == kBlack;
        EXPECT_GT(labelInk, 10) << mode;
        if (mode == 1) {
            EXPECT_EQ(Px(60, 150), Rgb(0x008000));  // a depth line of the 3D frame
        }
    }
}

}  // namespace
}  // namespace pirolex::test
