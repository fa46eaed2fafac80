// The fly-by synthesiser's options for measurement tests: a recorder's anti-alias filter, and
// recordings longer than the program keeps.
#include "flyby.h"
#include "full_spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace pirolex {
namespace {

// The strongest level within 1 % of hz in the middle frame, relative to the frame's strongest.
double RelativeLevelDb(const FullSpectrogram& s, double hz) {
    const float* row = s.Row(s.frameCount / 2);
    const auto at = [&](double f) { return static_cast<int32_t>(std::lround(f / s.BinHz())); };
    const float top = *std::max_element(row, row + s.binCount);
    const float near = *std::max_element(row + at(0.99 * hz), row + at(1.01 * hz) + 1);
    return 10.0 * std::log10(near / top);
}

TEST(Synthesiser, AntiAliasLeavesOutHarmonicsThatWouldFoldBack) {
    flyby::Params p;
    p.seconds = 2.0;
    p.sampleRate = 22050;
    p.speedKmh = 0.0;  // a steady tone, so the alias stays in place
    p.baseFrequency = 4000.0;
    p.harmonics = {1.0, 0.0, 1.0};  // the third, at 12 kHz, folds back to 10.05 kHz
    p.noiseLevel = 0.0;
    for (bool drop : {false, true}) {
        p.dropAliasedHarmonics = drop;
        Recording r;
        r.sampleRate = p.sampleRate;
        r.channels = flyby::PcmChannels(p);
        const double alias = RelativeLevelDb(ComputeFullSpectrogram(r), 22050.0 - 12000.0);
        if (drop) EXPECT_LT(alias, -60.0);
        else EXPECT_GT(alias, -3.0);
    }
}

TEST(Synthesiser, LongRecordingsOnlyWhenNotLimitedToWhatTheProgramKeeps) {
    flyby::Params p;
    p.seconds = 20.0;
    EXPECT_FALSE(flyby::Validate(p).empty());
    p.limitToProgramFrames = false;
    EXPECT_EQ(flyby::Validate(p), "");
    p.rpmWobble = 0.6;
    EXPECT_FALSE(flyby::Validate(p).empty());
}

}  // namespace
}  // namespace pirolex
