// A steady tone read in long blocks: where the track's short frames hold few of a low tone's
// periods, these blocks must still give its pitch to a few hundredths of a percent.
#include "long_block_tone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace pirolex {
namespace {

Recording ToneInNoise(int32_t rate, double hz, double amplitude) {
    Recording r;
    r.sampleRate = rate;
    r.channels.emplace_back(static_cast<size_t>(3 * rate));
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 30.0);
    for (size_t i = 0; i < r.channels[0].size(); ++i)
        r.channels[0][i] = static_cast<int16_t>(std::lround(
            amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate) + noise(rng)));
    return r;
}

TEST(ToneInLongBlocks, ReadsLowTonesBetweenTheBins) {
    struct Case {
        int32_t rate;
        double hz;
    };
    for (const Case& c : {Case{8000, 150.0}, Case{22050, 150.0}, Case{22050, 310.7}, Case{48000, 286.1}, Case{48000, 945.2}}) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.rate << " Hz");
        const std::vector<BlockTone> blocks = ToneInLongBlocks(ToneInNoise(c.rate, c.hz, 3000.0), 0.5, 2.5, c.hz * 1.003);
        ASSERT_GE(blocks.size(), 3u);
        for (const BlockTone& b : blocks) {
            EXPECT_NEAR(b.hz, c.hz, 2e-4 * c.hz);
            EXPECT_GT(b.seconds, 0.5);
            EXPECT_LT(b.seconds, 2.5);
        }
    }
}

TEST(ToneInLongBlocks, GivesNothingWithoutATone) {
    const Recording tone = ToneInNoise(8000, 300.0, 3000.0);
    EXPECT_TRUE(ToneInLongBlocks(ToneInNoise(8000, 300.0, 0.0), 0.5, 2.5, 300.0).empty()) << "noise alone";
    EXPECT_TRUE(ToneInLongBlocks(tone, 0.5, 2.5, 900.0).empty()) << "where the tone is not";
    EXPECT_TRUE(ToneInLongBlocks(tone, 0.5, 2.5, 3999.0).empty()) << "at the Nyquist frequency";
    EXPECT_TRUE(ToneInLongBlocks(tone, 2.5, 0.5, 300.0).empty()) << "an empty stretch";
    EXPECT_TRUE(ToneInLongBlocks(tone, 2.9, 5.0, 300.0).empty()) << "past the end";
}

}  // namespace
}  // namespace pirolex
