// The snap of a marker to its tone: the interpolation against tones between bins, fly-bys whose
// tones are known from their geometry, the speed from two snapped tones, and no answer where
// there is no tone.
#include "tone_snap.h"

#include "clicked_pair.h"
#include "doppler_speed.h"
#include "flyby.h"
#include "spectrogram_pass.h"
#include "time_axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace pirolex {
namespace {

constexpr int32_t kRate = 44100;

Recording Tone(double hz, double seconds, double noise = 0.0) {
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, noise);
    Recording r{kRate, {std::vector<int16_t>(static_cast<size_t>(seconds * kRate))}};
    for (size_t i = 0; i < r.channels[0].size(); ++i) {
        const double s = 0.3 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kRate + 0.4);
        r.channels[0][i] = static_cast<int16_t>(std::lround((s + gauss(random)) * 32767));
    }
    return r;
}

Recording FlyBy(const flyby::Params& p) { return Recording{p.sampleRate, flyby::PcmChannels(p)}; }

// The lines of the window's 2D picture of a whole recording.
SnapBlocks PictureEdges(const Recording& r, int32_t fftSize) {
    const int32_t step = LineStep(Picture::k2D, r.FrameCount(), fftSize - 1);
    return EdgeLineBlocks(200, step, 0);
}

// Within what the snap claims to resolve, also for a low tone four bins above 0 Hz, where the
// spectrum's mirror image below 0 Hz pulls at the peak.
TEST(ToneSnap, FindsTonesBetweenBinsWithinTheResolution) {
    for (const int32_t n : {128, 1024}) {
        const double bin = static_cast<double>(kRate) / n;
        for (const double base : {4.0, std::floor(3000 / bin)}) {
            for (const double offset : {0.0, 0.25, 0.5}) {
                const double hz = (base + offset) * bin;
                const Recording r = Tone(hz, 0.1);
                // Clicked half a bin beside the tone, on either side.
                for (const double click : {hz - bin / 2, hz + bin / 2}) {
                    const std::optional<double> found = BlockPeakHz(r, Channel::kLeft, n, 100, click);
                    ASSERT_TRUE(found) << n << " points, " << hz << " Hz";
                    EXPECT_NEAR(*found, hz, kResolvableBins * bin) << n << " points, " << hz << " Hz";
                }
            }
        }
    }
    // Two microphones that hear the tone in opposite phase: "beide" still finds it.
    Recording stereo = Tone(3000.5, 0.1);
    stereo.channels.push_back(stereo.channels[0]);
    for (int16_t& s : stereo.channels[1]) s = static_cast<int16_t>(-s);
    const std::optional<double> both = BlockPeakHz(stereo, Channel::kBoth, 1024, 100, 3010);
    ASSERT_TRUE(both);
    EXPECT_NEAR(*both, 3000.5, kResolvableBins * kRate / 1024);
}

// The approach and recede tones are the geometry's, heard far before and after the pass; the
// snap reads them in the picture's first and last 15 % of lines, clicked half a bin off.
TEST(ToneSnap, SnapsAFlyBysApproachAndRecedeTones) {
    struct Case {
        double baseHz, speedKmh, distance;
        int32_t fftSize;
    };
    const Case table[] = {
        {4000, 150, 10, 1024},
        {250, 80, 5, 1024},  // a glow engine's fundamental, below the whole band's filter
        {1500, 220, 25, 256},
    };
    for (const Case& c : table) {
        flyby::Params p;
        p.baseFrequency = c.baseHz;
        p.speedKmh = c.speedKmh;
        p.closestDistance = c.distance;
        p.seconds = 15;
        p.rpmWobble = 0.001;
        const Recording r = FlyBy(p);
        const double half = 0.5 * kRate / c.fftSize;
        const SnapBlocks blocks = PictureEdges(r, c.fftSize);
        const double trueA = flyby::ApproachFrequency(p), trueB = flyby::RecedeFrequency(p);
        const auto a = SnapToTone(r, Channel::kLeft, c.fftSize, trueA + half, blocks.approach);
        const auto b = SnapToTone(r, Channel::kLeft, c.fftSize, trueB - half, blocks.recede);
        ASSERT_TRUE(a && b) << c.baseHz;
        EXPECT_NEAR(a->hz, trueA, 3 * a->spreadHz) << c.baseHz;
        EXPECT_NEAR(b->hz, trueB, 3 * b->spreadHz) << c.baseHz;
        const std::optional<DopplerSpeed> speed =
            SpeedFromSnapped(a->hz, a->spreadHz, b->hz, b->spreadHz, 15);
        ASSERT_TRUE(speed);
        EXPECT_NEAR(speed->kmh, c.speedKmh, 0.01 * c.speedKmh) << c.baseHz;
        EXPECT_NEAR(speed->kmh, c.speedKmh, 3 * speed->resolutionKmh) << c.baseHz;
        // The tones' own "±", not a column's: the 4000 Hz tone's column alone is worth 4 %.
        EXPECT_LT(speed->resolutionKmh, 0.02 * c.speedKmh) << c.baseHz;
    }
}

// A car carrying a loudspeaker past a roadside recorder: a steady low tone in loud noise and
// handling bursts, clicked 2 s either side of the pass in the default 1024-point picture, where a
// line's block holds only a few of the tone's periods. The speed must come within 3 % with the
// truth inside a "±" of at most 5 %.
TEST(ToneSnap, LowTonesClickedBesideThePassAtTheDefaultSize) {
    constexpr int32_t kFft = 1024;
    for (const double baseHz : {300.0, 500.0, 900.0}) {
        flyby::Params p;
        p.sampleRate = 48000;
        p.baseFrequency = baseHz;
        p.harmonics = {1.0, 0.2};
        p.speedKmh = 60;
        p.closestDistance = 3.5;
        p.noiseLevel = 0.3;
        p.handlingPerSecond = 1.0;
        p.seed = static_cast<uint32_t>(baseHz);
        const Recording r = FlyBy(p);
        const int32_t step = LineStep(Picture::k2D, r.FrameCount(), kFft - 1);
        const TimeAxis time{p.sampleRate, kFft, step, 0, 200};
        const double heard = p.seconds / 2 + p.closestDistance / flyby::SoundSpeed(p.temperature);
        const double half = 0.5 * p.sampleRate / kFft;
        const auto snap = [&](double seconds, double hz) {
            const std::vector<int64_t> blocks = BlocksAroundLine(
                time.NearestLine(seconds), 200, step, 0, SnapBlockFrames(kFft, hz, p.sampleRate));
            return SnapToTone(r, Channel::kLeft, kFft, hz, blocks);
        };
        const auto a = snap(heard - 2, flyby::ApproachFrequency(p) - half);
        const auto b = snap(heard + 2, flyby::RecedeFrequency(p) + half);
        ASSERT_TRUE(a && b) << baseHz;
        const std::optional<DopplerSpeed> speed = SpeedFromClickedTones(*a, *b, p.temperature);
        ASSERT_TRUE(speed) << baseHz;
        EXPECT_NEAR(speed->kmh, 60, 1.8) << baseHz;
        EXPECT_NEAR(speed->kmh, 60, speed->resolutionKmh) << baseHz;
        EXPECT_LE(speed->resolutionKmh, 3.0) << baseHz;
    }
}

// Low tones get a block of at least a fifth of a second or 60 periods; a long picture block is
// kept.
TEST(ToneSnap, BlockFitsTheTone) {
    struct Case {
        int32_t fftSize;
        double hz;
        int32_t rate;
        int32_t frames;
    };
    const Case table[] = {
        {1024, 300, 48000, 16384},  // 9600 frames for 0.2 s
        {1024, 4000, 44100, 16384}, // 8820
        {1024, 50, 8000, 16384},    // 60 periods: 9600
        {1024, 30, 48000, 65536},   // 96000, held at the longest
        {16384, 300, 48000, 16384},
        {32768, 300, 48000, 32768},
        {1024, 300, 4000, 1024},    // 800 frames: the picture's block is long enough
    };
    for (const Case& c : table) EXPECT_EQ(SnapBlockFrames(c.fftSize, c.hz, c.rate), c.frames) << c.hz;
}

TEST(ToneSnap, NothingWhereNoToneIs) {
    const Recording r = Tone(4000, 2.0, 0.01);
    const double bin = static_cast<double>(kRate) / 1024;
    std::vector<int64_t> starts;
    for (int64_t s = 0; s < 80000; s += 2000) starts.push_back(s);
    EXPECT_TRUE(SnapToTone(r, Channel::kLeft, 1024, 4000 + 0.5 * bin, starts));
    for (const double click : {3000.0, 6200.0, 4000 + 3.2 * bin, 4000 - 3.6 * bin})
        EXPECT_FALSE(SnapToTone(r, Channel::kLeft, 1024, click, starts)) << click;
    const Recording silence{kRate, {std::vector<int16_t>(90000)}};
    EXPECT_FALSE(SnapToTone(silence, Channel::kLeft, 1024, 4000, starts));
    // No block inside the recording, or a channel it does not have.
    EXPECT_FALSE(SnapToTone(r, Channel::kLeft, 1024, 4000, std::vector<int64_t>{88000}));
    EXPECT_FALSE(SnapToTone(r, Channel::kRight, 1024, 4000, starts));
}

// The speed of two tones the synthesiser computes for a known speed, and a "±" that is the
// speed's change when the tones move by their spreads towards each other.
TEST(ToneSnap, SpeedFromSnappedTones) {
    flyby::Params p;
    p.speedKmh = 120;
    const double a = flyby::ApproachFrequency(p), b = flyby::RecedeFrequency(p);
    const std::optional<DopplerSpeed> exact = SpeedFromSnapped(a, 0, b, 0, 15);
    ASSERT_TRUE(exact);
    EXPECT_NEAR(exact->kmh, 120, 1e-9);
    EXPECT_EQ(exact->resolutionKmh, 0);
    const double movedA = SpeedFromSnapped(a + 2, 0, b, 0, 15)->kmh - exact->kmh;
    EXPECT_NEAR(SpeedFromSnapped(a, 2, b, 0, 15)->resolutionKmh, movedA, 0.01 * movedA);
    const double closer = exact->kmh - SpeedFromSnapped(a - 2, 0, b + 1, 0, 15)->kmh;
    EXPECT_NEAR(SpeedFromSnapped(a, 2, b, 1, 15)->resolutionKmh, closer, 0.01 * closer);
    EXPECT_FALSE(SpeedFromSnapped(0, 1, 0, 1, 15));
}

TEST(ToneSnap, EdgeBlocksAreTheFirstAndLastFifteenPercentOfTheLines) {
    const SnapBlocks blocks = EdgeLineBlocks(200, 100, 5000);
    ASSERT_EQ(blocks.approach.size(), 30u);
    ASSERT_EQ(blocks.recede.size(), 30u);
    EXPECT_EQ(blocks.approach.front(), 5000);
    EXPECT_EQ(blocks.approach.back(), 5000 + 29 * 400);
    EXPECT_EQ(blocks.recede.front(), 5000 + 170 * 400);
    EXPECT_EQ(blocks.recede.back(), 5000 + 199 * 400);
    EXPECT_EQ(EdgeLineBlocks(3, 100, 0).approach.size(), 1u);
    EXPECT_TRUE(EdgeLineBlocks(0, 100, 0).recede.empty());
}

}  // namespace
}  // namespace pirolex
