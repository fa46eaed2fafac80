// The overview's levels against levels worked out by hand: a square wave's RMS is its amplitude,
// silence is the floor, and each stretch hears only its own samples.
#include "loudness_overview.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

TEST(LoudnessOverviewTest, EachStretchHasTheRmsLevelOfItsOwnSamples) {
    Recording recording;
    recording.sampleRate = 8000;
    // Four stretches of 100 frames: silence, full scale, half scale, a tenth on one channel only.
    recording.channels.assign(2, std::vector<int16_t>(400, 0));
    for (int i = 0; i < 100; ++i) {
        const int sign = i % 2 ? 1 : -1;
        for (std::vector<int16_t>& channel : recording.channels) {
            channel[size_t(100 + i)] = static_cast<int16_t>(sign > 0 ? 32767 : -32768);
            channel[size_t(200 + i)] = static_cast<int16_t>(sign * 16384);
        }
        recording.channels[0][size_t(300 + i)] = static_cast<int16_t>(sign * 3277);
    }
    const std::vector<float> levels = LoudnessOverview(recording, 4);
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0], kQuietestDb);
    EXPECT_NEAR(levels[1], 0.0, 0.01);
    EXPECT_NEAR(levels[2], -6.02, 0.01);
    EXPECT_NEAR(levels[3], -20.0 - 3.01, 0.01) << "one channel of two at a tenth";
}

TEST(LoudnessOverviewTest, AnEmptyRecordingAndMoreStretchesThanFramesStayWithinTheRecording) {
    EXPECT_EQ(LoudnessOverview(Recording{}, 3), std::vector<float>(3, kQuietestDb));
    Recording two;
    two.sampleRate = 8000;
    two.channels = {{16384, -16384}};
    const std::vector<float> levels = LoudnessOverview(two, 5);
    ASSERT_EQ(levels.size(), 5u);
    for (float level : levels) EXPECT_NEAR(level, -6.02, 0.01);
}

}  // namespace
}  // namespace pirolex
