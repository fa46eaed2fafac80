// The rulers' ticks where the picture puts their frequencies and times.
#include "ruler.h"
#include "spectrogram_pass.h"

#include <gtest/gtest.h>

#include <map>

namespace pirolex {
namespace {

std::map<int, std::string> Labelled(const std::vector<RulerTick>& ticks) {
    std::map<int, std::string> labelled;
    for (const RulerTick& t : ticks)
        if (!t.label.isEmpty()) labelled[t.position] = t.label.toStdString();
    return labelled;
}

// 8000 Hz on the design plot: 4000 Hz over 512 columns from column 10, 7.8125 Hz a column; a label
// every 500 Hz (64 columns), a short tick between two.
TEST(RulerTest, FrequencyTicksSitOnTheirColumns) {
    const FrequencyAxis axis(8000, 1, 10, 1.0);
    const std::vector<RulerTick> ticks = FrequencyTicks(axis, 615);
    const std::map<int, std::string> expected = {
        {10, "0"},     {74, "500"},   {138, "1000"}, {202, "1500"}, {266, "2000"},
        {330, "2500"}, {394, "3000"}, {458, "3500"}, {522, "4000"}};
    EXPECT_EQ(Labelled(ticks), expected);
    EXPECT_EQ(ticks.size(), 17u);
    EXPECT_EQ(ticks[1].position, 42);  // 250 Hz
}

// Lines 0.1 s apart (step 200 at 8000 Hz, four steps a line), line n on row 250 - n: a label every
// 5 s; a span starting at 1 s shifts the times, not the rows.
TEST(RulerTest, TimeTicksSitOnTheRowsOfTheirLines) {
    const PlotView view;  // baseline 250, one row a line
    const std::map<int, std::string> whole = {
        {249, "0"}, {199, "5"}, {149, "10"}, {99, "15"}, {49, "20"}};
    EXPECT_EQ(Labelled(TimeTicks(view, 271, {8000, 0, 200, 0, kMaxLines, 200000})), whole);
    const std::map<int, std::string> span = {{209, "5"}, {159, "10"}, {109, "15"}, {59, "20"}, {9, "25"}};
    EXPECT_EQ(Labelled(TimeTicks(view, 271, {8000, 0, 200, 8000, kMaxLines, 400000})), span);
    // A line's time is its block's centre, as the readout and the snap count it: blocks of 0.2 s
    // put every label one line (0.1 s) lower down the picture.
    EXPECT_EQ(Labelled(TimeTicks(view, 271, {8000, 1600, 200, 0, kMaxLines, 200000})),
              (std::map<int, std::string>{{200, "5"}, {150, "10"}, {100, "15"}, {50, "20"}, {0, "25"}}));
    // Lines past the recording's end get no time.
    EXPECT_EQ(Labelled(TimeTicks(view, 271, {8000, 0, 200, 0, kMaxLines, 40001})),
              (std::map<int, std::string>{{249, "0"}, {199, "5"}}));
}

}  // namespace
}  // namespace pirolex
