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

TEST_F(RecomputeTest, ClearsThePlotAndTheMeasurementBeforeEachPassAndShowsTheHintIn2DOnly) {
    const RecomputeCase cases[] = {
        {0, 2, 0, {"ImageHint:0", "Speed:", "ImageHint:1", "PresentPlot"}},
        {1, 2, 1, {"ImageHint:0", "Speed:", "ImageHint:1", "PresentPlot"}},
        {2, 2, 1, {"ImageHint:0", "Speed:", "Speed:", "ImageHint:1", "PresentPlot"}},
        {2, 1, 1, {"ImageHint:0", "Speed:", "Speed:", "ImageHint:0", "PresentPlot"}},
        {0, 3, 0, {"ImageHint:0", "Speed:", "ImageHint:0", "PresentPlot"}},
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

}  // namespace
}  // namespace pirolex::test
