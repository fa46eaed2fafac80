// The frequency axis over a zoomed band: its 512 units span the band, so columns, labels, bins
// and the marked pair follow it. The whole band's numbers are pinned by the render and message
// tests.
#include "frequency_axis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pirolex {
namespace {

// 300..900 Hz over 512 columns from column 10: 600/512 Hz per column.
TEST(FrequencyAxisBand, ColumnsFrequenciesAndLabelsSpanTheBand) {
    const FrequencyAxis axis(44100, 1, 10, 1.0, 300, 900);
    EXPECT_TRUE(axis.Zoomed());
    EXPECT_EQ(axis.LowHz(), 300);
    EXPECT_EQ(axis.HighHz(), 900);
    EXPECT_EQ(axis.EndColumn(), 522);
    const struct {
        double hz, column;
        int64_t label;
    } cases[] = {
        {300, 10, 300}, {600, 266, 600}, {900, 522, 900}, {413.671875, 107, 414}, {240, -41.2, 240},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(axis.ColumnOfHz(c.hz), c.column, 1e-9) << c.hz;
        EXPECT_NEAR(axis.HzAtColumn(c.column), c.hz, 1e-9) << c.hz;
        if (c.column == static_cast<int32_t>(c.column)) {
            EXPECT_EQ(axis.LabelHz(static_cast<int32_t>(c.column)), c.label) << c.hz;
        }
    }
    EXPECT_EQ(axis.LabelHz(11), 301);  // 301.17: no 0.4 added in a band
    // Twice the columns per hertz on a wider plot.
    EXPECT_NEAR(FrequencyAxis(44100, 1, 10, 2.0, 300, 900).ColumnOfHz(600), 522, 1e-9);
}

TEST(FrequencyAxisBand, NearestColumnIsTheRoundedColumnInsideThePlot) {
    const FrequencyAxis axis(44100, 1, 10, 1.0, 300, 900);
    EXPECT_EQ(axis.NearestColumn(600.6, 615), 267);   // column 266.51
    EXPECT_EQ(axis.NearestColumn(600.5859375, 615), 266);  // 266.5 exactly: the lower
    EXPECT_EQ(axis.NearestColumn(100, 615), 1);
    EXPECT_EQ(axis.NearestColumn(5000, 615), 614);
}

// Bin 12 of 1024 points at 44100 Hz is 516.796875 Hz, 185 columns into the band; its left edge
// lies at bin 11.5, 495.27 Hz, column 176.63.
TEST(FrequencyAxisBand, BinsLieAtTheirFrequencies) {
    const FrequencyAxis axis(44100, 1, 10, 1.0, 300, 900);
    EXPECT_EQ(axis.BinColumn(12), 195);
    EXPECT_EQ(axis.BinColumn(12, 7), 202);
    EXPECT_EQ(axis.BinLeftEdge(12), 177);
    EXPECT_EQ(axis.BinColumn(0), -246);  // 0 Hz lies left of the band
    // FFT 128: a bin is 344.53 Hz, bin 2 at 689.06 Hz, column 10 + 389.06 x 512 / 600.
    EXPECT_EQ(FrequencyAxis(44100, 8, 10, 1.0, 300, 900).BinColumn(2), 342);
}

// The resolution is a band unit or an FFT bin, whichever is wider; the pair is in plain hertz.
TEST(FrequencyAxisBand, ResolutionAndTheMarkedPair) {
    const struct {
        int32_t stride;
        double low, high, resolution;
    } cases[] = {
        {1, 300, 900, 44100.0 / 1024},         // a bin: 43.07 Hz against 1.17
        {8, 300, 900, 44100.0 / 128},          // a bin of FFT 128
        {1, 100, 30100, 30000.0 / 512},        // a unit: 58.59 Hz against 43.07
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(FrequencyAxis(44100, c.stride, 10, 1.0, c.low, c.high).ResolutionHz(),
                         c.resolution) << c.low << "-" << c.high;
    const FrequencyAxis::MarkedPair pair = FrequencyAxis(44100, 1, 10, 1.0, 300, 900).Marked(10, 266);
    EXPECT_DOUBLE_EQ(pair.halfDifferenceHz, 150);
    EXPECT_DOUBLE_EQ(pair.meanHz, 450);
}

// Without a band (or with an empty one) the axis runs from 0 Hz to half the rate.
TEST(FrequencyAxisBand, NoBandIsTheWholeBand) {
    for (const auto& axis : {FrequencyAxis(44100, 1, 10, 1.0), FrequencyAxis(44100, 1, 10, 1.0, 900, 300)}) {
        EXPECT_FALSE(axis.Zoomed());
        EXPECT_EQ(axis.LowHz(), 0);
        EXPECT_EQ(axis.HighHz(), 22050);
        EXPECT_DOUBLE_EQ(axis.HzAtColumn(110), 4306.640625);  // 100 columns of 43.07 Hz
        EXPECT_DOUBLE_EQ(axis.ColumnOfHz(22050), 522);
        EXPECT_EQ(axis.BinColumn(100), 110);
    }
    // Before a recording is loaded: no failure, just no number.
    EXPECT_FALSE(std::isfinite(FrequencyAxis(0, 1, 10, 1.0).ColumnOfHz(1000)));
    EXPECT_FALSE(std::isfinite(FrequencyAxis(44100, 1, 10, 0.0).HzAtColumn(100)));
}

}  // namespace
}  // namespace pirolex
