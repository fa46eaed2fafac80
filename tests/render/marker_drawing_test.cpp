// Frequency labels and markers: the label's number from the frequency axis, the text on its box,
// and the marker lines.
#include "failure.h"
#include "marker_drawing.h"
#include "render_fixture.h"

#include <functional>

namespace pirolex::test {
namespace {

constexpr uint32_t kGreen = Rgb(0x008000);

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& e) {
        return e.what();
    }
    return "";
}

using MarkerDrawingTest = RenderTest;

TEST_F(MarkerDrawingTest, LabelIsTheNearestWholeNumberToTheColumnFrequencyPlusFourTenths) {
    const std::pair<int, const char*> cases[] = {
        {10, "0 Hz"},     {11, "43 Hz"},  {100, "3876 Hz"}, {522, "22050 Hz"},
        {13, "130 Hz"},   // 129.20 + 0.4: a plain rounding would give 129
        {9, "-43 Hz"},    {0, "-430 Hz"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(FrequencyLabelText(Axis(), x), text) << x;
    view.xScale = 2.0;  // twice as many pixels per Hz
    EXPECT_EQ(FrequencyLabelText(Axis(), 1034), "22050 Hz");
    sampleRate = 48000;
    view.xScale = 1.0;
    EXPECT_EQ(FrequencyLabelText(Axis(), 522), "24000 Hz");
}

// The column nearest to a frequency goes by the label, the lower column on a tie.
TEST_F(MarkerDrawingTest, NearestColumnGoesByTheLabel) {
    EXPECT_EQ(Axis().NearestColumn(4822.8, kDesignWidth), 122);
    EXPECT_EQ(Axis().NearestColumn(3961.6, kDesignWidth), 102);
    EXPECT_EQ(Axis().NearestColumn(21.5, kDesignWidth), 10);  // 0 Hz and 43 Hz: the lower
    EXPECT_EQ(Axis().NearestColumn(1e9, kDesignWidth), kDesignWidth - 1);
}

TEST_F(MarkerDrawingTest, ZeroXScaleFailsLikeTheFloatingPointUnit) {
    view.xScale = 0.0;
    const FrequencyAxis axis = Axis();
    EXPECT_EQ(ErrorOf([&] { axis.LabelHz(100); }), "FloatDivisionByZero");
    EXPECT_EQ(ErrorOf([&] { axis.LabelHz(10); }), "InvalidFloatOperation");
    EXPECT_EQ(ErrorOf([&] { DrawFrequencyLabel(Drawing{canvas, view, axis, effects}, 100, kBlack); }),
              "FloatDivisionByZero");
    EXPECT_EQ(effects.Count("PresentPlot"), 0);
}

TEST_F(MarkerDrawingTest, DrawsTheLabelTextOnAnOpaqueBoxBelowTheBaselineAndPresents) {
    for (int y = 240; y < kDesignHeight; ++y)
        for (int x = 90; x < 200; ++x) canvas.SetPixel(x, y, kBlack);
    const FrequencyAxis axis = Axis();
    DrawFrequencyLabel(Drawing{canvas, view, axis, effects}, 100, kGreen);
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

}  // namespace
}  // namespace pirolex::test
