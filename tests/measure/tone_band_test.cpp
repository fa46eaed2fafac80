// The band and FFT size a found pass is shown in, worked out by hand for a few passes.
#include "tone_band.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

TEST(ToneBand, PartsTheTonesAndFramesThem) {
    struct Case {
        const char* name;
        double approachHz, recedeHz;
        int32_t rate;
        double low, high;
        int32_t exponent;
    };
    const Case table[] = {
        // 29.5 Hz apart: 2.93 Hz bins at 16384, 5.86 at 8192 is more than an eighth.
        {"a 300 Hz car at 60 km/h", 315.5, 286.0, 48000, 250, 350, 14},
        {"a 900 Hz car at 60 km/h", 946.0, 858.0, 48000, 770, 1040, 13},
        {"a 4 kHz plane at 120 km/h", 4822.8, 3961.6, 44100, 3100, 5690, 10},
        {"tones too close for any size", 100.4, 99.6, 44100, 90, 110, 14},
        {"held at half the rate", 3900, 3500, 8000, 3100, 4000, 10},
    };
    for (const Case& c : table) {
        const std::optional<ToneBand> band = BandAroundTone(c.approachHz, c.recedeHz, c.rate);
        ASSERT_TRUE(band) << c.name;
        EXPECT_DOUBLE_EQ(band->lowHz, c.low) << c.name;
        EXPECT_DOUBLE_EQ(band->highHz, c.high) << c.name;
        EXPECT_EQ(band->fftExponent, c.exponent) << c.name;
    }
    EXPECT_FALSE(BandAroundTone(286.0, 315.5, 48000)) << "swapped tones";
    EXPECT_FALSE(BandAroundTone(300, 0, 48000)) << "no recede tone";
    EXPECT_FALSE(BandAroundTone(30000, 20000, 48000)) << "above half the rate";
}

}  // namespace
}  // namespace pirolex
