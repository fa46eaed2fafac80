// The spectrogram pass: the line step, how many lines a recording gives and from which frames,
// both channels, recordings too short for a block, and what the pass ends with.

#include "spectrogram_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>

namespace {

using namespace pirolex;

// One line as the pass hands it on, copied.
struct SeenLine {
    int32_t number;
    int64_t firstFrame;
    std::vector<double> amplitudes;
};

// A recording whose samples carry 8-bit levels (level << 8): the left channel a tone at
// `leftBin` of a 1024-point block, the right one at `rightBin`, both with some noise.
Recording ToneRecording(int32_t frames, int leftBin = 100, int rightBin = 300) {
    std::mt19937 rng(frames);
    std::uniform_int_distribution<int> noise(-8, 8);
    Recording r;
    r.sampleRate = 44100;
    r.channels.assign(2, std::vector<int16_t>(static_cast<size_t>(frames)));
    for (int32_t i = 0; i < frames; ++i) {
        const double t = 2 * std::numbers::pi * (i + 1) / 1024;
        r.channels[0][i] = int16_t((std::lround(90 * std::sin(leftBin * t)) + noise(rng)) * 256);
        r.channels[1][i] = int16_t((std::lround(90 * std::sin(rightBin * t)) + noise(rng)) * 256);
    }
    return r;
}

class PassTest : public ::testing::Test {
protected:
    std::vector<SeenLine> Pass(int channel, int32_t lineStep) {
        std::vector<SeenLine> seen;
        end_ = RunSpectrogramPass(PictureSamples(recording_, channel), settings_, lineStep, limit_,
                                  *buffers_, [&](const SpectrumLine& line) {
                                      seen.push_back({line.number, line.firstFrame,
                                                      {line.amplitudes.begin(), line.amplitudes.end()}});
                                  });
        limit_ = end_.filterLimit;
        return seen;
    }
    int32_t Step() const {
        return LineStep(settings_.picture, recording_.FrameCount(), settings_.FftMask());
    }

    Recording recording_;
    Settings settings_ = StartupSettings();
    int32_t limit_ = kStartFilterLimit;
    PassEnd end_;
    std::unique_ptr<FftBuffers> buffers_ = std::make_unique<FftBuffers>();
};

int PeakBin(const SeenLine& line) {
    return static_cast<int>(std::max_element(line.amplitudes.begin(), line.amplitudes.end()) -
                            line.amplitudes.begin());
}

TEST(LineStep, FollowsThePictureAndTheSize) {
    const struct {
        Picture picture;
        int frames, mask, step;
    } cases[] = {
        {Picture::k3D, 700000, 1023, 1747}, {Picture::k2D, 700000, 1023, 873},
        {Picture::k1D, 700000, 1023, 3494},
        {Picture::k2D, 1400000, 1023, 1748},  // the recording's length counts, not the picture's span
        {Picture::k2D, 700000, 127, 874},
        {Picture::k2D, 1027, 1023, 0},  {Picture::k1D, 824, 1023, 0},  // truncated toward zero
        {Picture::k1D, 823, 1023, 0},   {Picture::k1D, 100, 1023, 0},  // shorter than the block: 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineStep(c.picture, c.frames, c.mask), c.step) << c.frames << " " << c.mask;
}

// The picture's span: at most 700000 frames from the first one; a mono recording's missing right
// channel reads as the level the 8-bit store held for it.
TEST(PictureSamples, SpanAndMissingChannel) {
    Recording mono;
    mono.channels = {std::vector<int16_t>(750000, int16_t(-300))};
    const PictureSamples left(mono, 0);
    EXPECT_EQ(left.Count(), kMaxFrames);
    EXPECT_EQ(left.Level(0), -2);  // floor(-300 / 256)
    EXPECT_EQ(PictureSamples(mono, 0, 100000).Count(), 650000);
    const PictureSamples right(mono, 1);
    EXPECT_EQ(right.Count(), kMaxFrames);
    EXPECT_EQ(right.Level(12345), -1);
}

// Lines start every 4 x step frames; a block that would reach behind the span ends the pass
// without being read, and the right channel's pass runs just the same.
TEST_F(PassTest, LineCountsAndFirstFramesFollowTheStep) {
    const struct {
        int frames;
        Picture picture;
        int lines;
    } cases[] = {{700000, Picture::k2D, 201}, {1400000, Picture::k2D, 100},
                 {700000, Picture::k3D, 101}, {700000, Picture::k1D, 51}};
    for (const auto& c : cases) {
        recording_ = ToneRecording(c.frames);
        settings_.picture = c.picture;
        const int32_t step = Step();
        for (int channel : {0, 1}) {
            const auto seen = Pass(channel, step);
            ASSERT_EQ(int(seen.size()), c.lines) << c.frames;
            EXPECT_EQ(end_.lines, c.lines);
            EXPECT_FALSE(end_.tooShort);
            for (size_t i = 0; i < seen.size(); ++i) {
                ASSERT_EQ(seen[i].number, int32_t(i + 1));
                ASSERT_EQ(seen[i].firstFrame, int64_t(4) * step * int64_t(i));
            }
        }
    }
}

TEST_F(PassTest, EachChannelShowsItsOwnTone) {
    recording_ = ToneRecording(120000, 100, 300);
    for (auto [channel, bin] : {std::pair{0, 100}, {1, 300}}) {
        const auto seen = Pass(channel, Step());
        ASSERT_GT(seen.size(), 100u);
        for (const auto& line : seen) ASSERT_EQ(PeakBin(line), bin) << "channel " << channel;
    }
}

// N + 3 frames give exactly one complete block and a step of 0: 250 identical lines (with a
// fixed threshold, so that the filter cannot adapt from line to line). One frame less and no line
// at all: the pass says the recording is too short.
TEST_F(PassTest, ShortestRecordings) {
    settings_.filterMode = FilterMode::kThreshold;
    for (int exponent = 7; exponent <= 10; ++exponent) {
        const int n = 1 << exponent;
        settings_.fftExponent = exponent;
        recording_ = ToneRecording(n + 3);
        ASSERT_EQ(Step(), 0);
        const auto seen = Pass(0, 0);
        ASSERT_EQ(seen.size(), 250u) << n;
        for (const auto& line : seen) ASSERT_EQ(seen[0].amplitudes, line.amplitudes);
        EXPECT_FALSE(end_.tooShort);

        recording_ = ToneRecording(n + 2);
        EXPECT_TRUE(Pass(1, 0).empty()) << n;
        EXPECT_TRUE(end_.tooShort);
        EXPECT_EQ(end_.lines, 0);
        EXPECT_FALSE(end_.caption) << "no line was filtered";
    }
}

TEST_F(PassTest, SilentAndConstantRecordingsGiveEmptyLines) {
    for (int level : {0, -128, 72, 127}) {
        recording_.channels.assign(1, std::vector<int16_t>(5000, int16_t(level * 256)));
        const auto seen = Pass(0, Step());
        ASSERT_FALSE(seen.empty());
        for (const auto& line : seen)
            for (double a : line.amplitudes) ASSERT_EQ(a, 0.0) << level;
    }
}

// A recording too short for the block its step was chosen for gets step 0, so a smaller FFT size
// later draws every line from frame 1 instead of stepping to frames before the span.
TEST_F(PassTest, ShortRecordingsStepZeroSoASmallerSizeStillDraws) {
    recording_ = ToneRecording(823);
    settings_.picture = Picture::k1D;
    ASSERT_EQ(Step(), 0);
    settings_.fftExponent = 7;
    EXPECT_EQ(Pass(0, 0).size(), 250u);
}

// The limit is carried from pass to pass; the caption shows what the last line started from, and
// in threshold mode the threshold itself.
TEST_F(PassTest, EndsWithTheCarriedLimitAndTheLastLinesCaption) {
    recording_ = ToneRecording(60000, 37, 411);
    Pass(0, Step());
    ASSERT_TRUE(end_.caption);
    EXPECT_EQ(end_.caption->keep.low, 10);
    EXPECT_EQ(end_.caption->keep.high, 40);
    EXPECT_NE(end_.filterLimit, kStartFilterLimit) << "a tone with noise moves the limit";
    const int32_t carried = end_.filterLimit;
    limit_ = carried;
    settings_.filterMode = FilterMode::kThreshold;
    settings_.threshold = 12;
    Pass(1, Step());
    EXPECT_EQ(end_.caption->limit, 12);
}

}  // namespace
