// The time axis worked by hand: 8000 Hz, blocks of 1600 frames, lines 800 frames apart, the
// picture's span from frame 8000 of a recording of 100000 frames.
#include "time_axis.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

const TimeAxis kAxis{8000, 1600, 200, 8000, 250, 100000};

TEST(TimeAxisTest, ALineIsItsBlocksCentreAndBack) {
    const struct {
        int32_t line;
        int64_t firstFrame;
        double seconds;  // (firstFrame + 800) / 8000
    } cases[] = {{1, 8000, 1.1}, {11, 16000, 2.1}, {115, 99200, 12.5}};
    for (const auto& c : cases) {
        EXPECT_EQ(kAxis.FirstFrame(c.line), c.firstFrame) << c.line;
        EXPECT_DOUBLE_EQ(kAxis.Seconds(c.line), c.seconds) << c.line;
        EXPECT_EQ(kAxis.NearestLine(c.seconds), c.line) << c.line;
        EXPECT_EQ(kAxis.NearestLine(c.seconds + 0.049), c.line) << "within half a line";
    }
    EXPECT_EQ(kAxis.NearestLine(0.0), 1) << "before the span";
    EXPECT_EQ(kAxis.NearestLine(1000.0), 250) << "after the picture's last line";
}

// The ruler labels lines whose block starts in the recording; the curve draws on lines whose
// whole block lies in the span: 92000 frames, room for 114 blocks of 1600 every 800 frames.
TEST(TimeAxisTest, TheRulerAndTheCurveStopWhereTheRecordingEnds) {
    EXPECT_TRUE(kAxis.InRecording(115));   // starts at 99200
    EXPECT_FALSE(kAxis.InRecording(116));  // would start at 100000
    EXPECT_EQ(kAxis.LinesInSpan(), 114);
}

}  // namespace
}  // namespace pirolex
