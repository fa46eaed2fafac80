// The spectrogram pass: the line step, how many lines a recording gives and from which frames,
// what the renderer sees, both channels, and the fast stages against the plain reading.

#include "analysis_fixture.h"
#include "direct_stages.h"
#include "spectrogram_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using namespace pirolex;
using analysis_test::Bits;
using analysis_test::RecordingEffects;
using analysis_test::SameBits;

// One finished line as the renderer gets to see it.
struct SeenLine {
    int32_t counter;
    int32_t start;
    std::array<ComplexRow, kTableSize> output;
    std::array<PhaseRow, kTableSize> phase;
};

class PassTest : public ::testing::Test {
protected:
    void SetUp() override {
        state_ = analysis_test::MakeState(10);
        analysis_ = analysis_test::MakeAnalysis();
    }

    // A recording of `frames` frames of which up to 700000 are stored; the left channel holds a
    // tone at `leftBin` of a 1024-point block, the right one at `rightBin`, both with some noise.
    void Record(int32_t frames, int leftBin = 100, int rightBin = 300, int mode = 2) {
        std::mt19937 rng(frames);
        std::uniform_int_distribution<int> noise(-8, 8);
        state_->SampleCount = frames;
        state_->StoredCount = std::min(frames, kMaxFrames);
        for (int32_t i = 1; i <= state_->StoredCount; ++i) {
            const double t = 2 * std::numbers::pi * i / 1024;
            const long left = std::lround(90 * std::sin(leftBin * t));
            const long right = std::lround(90 * std::sin(rightBin * t));
            state_->Samples[kLeft][i] = uint8_t(128 + left + noise(rng));
            state_->Samples[kRight][i] = uint8_t(128 + right + noise(rng));
        }
        SetSize(10);
        state_->GraphMode = mode;
        state_->LineStep = Optimum(*state_);
    }
    void SetSize(int exponent) { SetFFTExponent(*state_, exponent); }

    std::vector<SeenLine> Pass(int channel, const Controls& controls = {}) {
        std::vector<SeenLine> seen;
        state_->DrawChannel = channel;
        ChannelPass(*state_, *analysis_, controls, effects_, [&] { seen.push_back(Snapshot()); });
        return seen;
    }
    SeenLine Snapshot() const {
        return {analysis_->pass.LineCounter, analysis_->pass.LineStart, analysis_->fft.FFTOutput,
                analysis_->fft.PhaseSpectrum};
    }

    std::unique_ptr<AnalysisState> state_;
    std::unique_ptr<Analysis> analysis_;
    RecordingEffects effects_;
};

int PeakBin(const SeenLine& line, int n) {
    int best = 0;
    for (int k = 1; k < n / 2; ++k)
        if (line.output[k].Re > line.output[best].Re) best = k;
    return best;
}

TEST(Optimum, StepFollowsGraphModeAndSize) {
    const struct {
        int mode, frames, exponent, step;
    } cases[] = {
        {1, 700000, 10, 1747}, {2, 700000, 10, 873}, {3, 700000, 10, 3494},
        {2, 1400000, 10, 1748},  // the file's length counts, not what was stored
        {2, 700000, 7, 874},     // the size enters through FFTMask
        {2, 1027, 10, 0},  {3, 824, 10, 0},  // truncated toward zero
        {3, 823, 10, 0},   {3, 100, 10, 0},   // shorter than the block: 0, never negative
    };
    for (const auto& c : cases) {
        AnalysisState state;
        SetFFTExponent(state, c.exponent);
        state.GraphMode = c.mode;
        state.SampleCount = c.frames;
        state.StoredCount = std::min(c.frames, kMaxFrames);
        EXPECT_EQ(Optimum(state), c.step) << c.mode << " " << c.frames << " " << c.exponent;
    }
}

// Lines start every 4 * LineStep frames; a block that would reach behind the store ends the pass
// without being read, and the right channel's pass runs just the same.
TEST_F(PassTest, LineCountsFollowTheStep) {
    const struct {
        int frames, mode, lines;
    } cases[] = {{700000, 2, 201}, {1400000, 2, 100}, {700000, 1, 101}, {700000, 3, 51}};
    for (const auto& c : cases) {
        Record(c.frames, 100, 300, c.mode);
        const int32_t step = state_->LineStep;
        for (int channel : {kLeft, kRight}) {
            const auto seen = Pass(channel);
            EXPECT_EQ(int(seen.size()), c.lines) << c.frames << " mode " << c.mode;
            EXPECT_EQ(analysis_->pass.LineCounter, c.lines + 1) << "the dropped block counts";
            EXPECT_TRUE(analysis_->pass.EndOfData);
            EXPECT_EQ(analysis_->pass.SamplePos, 1 + (c.lines + 1) * 4 * step);
            EXPECT_EQ(state_->LineStep, step) << "the pass never chooses the step";
        }
    }
    EXPECT_EQ(effects_.gauge, std::vector<bool>(8, false)) << "every pass hides the gauge";
}

TEST_F(PassTest, RendererSeesCounterAndStart) {
    Record(200000);
    const auto seen = Pass(kLeft);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].counter, int32_t(i + 1));
        EXPECT_EQ(seen[i].start, int32_t(50 * i));
    }
}

TEST_F(PassTest, EachChannelShowsItsOwnTone) {
    Record(120000, 100, 300);
    for (auto [channel, bin] : {std::pair{kLeft, 100}, {kRight, 300}}) {
        const auto seen = Pass(channel);
        ASSERT_GT(seen.size(), 100u);
        for (const auto& line : seen) ASSERT_EQ(PeakBin(line, 1024), bin) << "channel " << channel;
    }
}

// N + 3 frames give exactly one complete block and a step of 0: 250 identical lines (with a
// fixed threshold, so that the filter cannot adapt from line to line). One frame less and no line
// is drawn: the renderer gets the first line's call at the end of the data, for the frame, and
// the user is told why the picture stays empty.
TEST_F(PassTest, ShortestRecordings) {
    Controls fixed;
    fixed.ConstPPL = false;
    for (int exponent = 7; exponent <= 10; ++exponent) {
        const int n = 1 << exponent;
        Record(n + 3);
        SetSize(exponent);
        state_->LineStep = Optimum(*state_);
        ASSERT_EQ(state_->LineStep, 0);
        const auto seen = Pass(kLeft, fixed);
        ASSERT_EQ(seen.size(), 250u) << n;
        for (const auto& line : seen) ASSERT_TRUE(SameBits(seen[0].output, line.output));
        EXPECT_FALSE(analysis_->pass.EndOfData);
        EXPECT_TRUE(effects_.notices.empty());

        state_->StoredCount = state_->SampleCount = n + 2;
        const auto frameOnly = Pass(kRight, fixed);
        ASSERT_EQ(frameOnly.size(), 1u) << n;
        EXPECT_EQ(frameOnly[0].start, 0);
        EXPECT_TRUE(analysis_->pass.EndOfData);
        EXPECT_EQ(analysis_->pass.LineCounter, 1);
        EXPECT_EQ(effects_.notices, std::vector<std::string>{"Aufnahme kürzer als ein FFT-Block (" +
                                                             std::to_string(n) + " Samples)"});
        effects_.notices.clear();
    }
}

// Entry i holds frame p + i and the mean of frames p + i and p + i + 1, both centred on 128; the
// block is complete when p + N <= StoredCount - 2.
TEST_F(PassTest, TakeBlockReadsFramesAndPairMeans) {
    state_->StoredCount = state_->SampleCount = 3000;
    for (int i = 1; i <= 3000; ++i) state_->Samples[kRight][i] = uint8_t(i * 7 % 256);
    SetSize(8);
    state_->LineStep = 11;
    state_->DrawChannel = kRight;
    for (int p : {1, 2000, 3000 - 256 - 2, 3000 - 256 - 1}) {
        PassState pass{p, false, 0, 0};
        TakeBlock(*state_, analysis_->fft, pass);
        EXPECT_EQ(pass.EndOfData, p + 256 > 3000 - 2) << p;
        EXPECT_EQ(pass.SamplePos, p + 44);
        const int complete = pass.EndOfData ? 3000 - 1 - p : 256;
        for (int i = 0; i < complete; ++i) {
            const int a = state_->Samples[kRight][p + i], b = state_->Samples[kRight][p + i + 1];
            ASSERT_EQ(analysis_->fft.FFTInput[i].Re, a - 128) << p << " " << i;
            ASSERT_EQ(analysis_->fft.FFTInput[i].Im, (a + b) / 2.0 - 128) << p << " " << i;
        }
    }
}

TEST_F(PassTest, SilentAndConstantRecordingsGiveEmptyBlocks) {
    Record(5000);
    for (int value : {128, 0, 200, 255}) {
        std::fill(state_->Samples[kLeft].begin(), state_->Samples[kLeft].end(), uint8_t(value));
        PassState pass{1, false, 0, 0};
        TakeBlock(*state_, analysis_->fft, pass);
        NormPeak(*state_, analysis_->fft);
        DiffBlock(*state_, analysis_->fft);
        for (int i = 0; i < 1024; ++i) {
            ASSERT_EQ(analysis_->fft.FFTInput[i].Re, 0.0) << value;
            ASSERT_EQ(analysis_->fft.FFTInput[i].Im, 0.0) << value;
        }
    }
    const auto seen = Pass(kLeft);
    ASSERT_FALSE(seen.empty());
    for (const auto& line : seen)
        for (int k = 0; k < 512; ++k) ASSERT_EQ(line.output[k].Re, 0.0);
}

// A recording too short for the block its step was chosen for gets step 0, so a smaller FFT size
// later draws every line from frame 1 instead of stepping to frames before the store.
TEST_F(PassTest, ShortRecordingsStepZeroSoASmallerSizeStillDraws) {
    Record(823, 100, 300, 3);
    ASSERT_EQ(state_->LineStep, 0);
    SetSize(7);
    EXPECT_EQ(Pass(kLeft).size(), 250u);
}

// The fast stages against the plain reading, bit for bit.
TEST_F(PassTest, StagesMatchThePlainReading) {
    std::mt19937_64 rng(23);
    Record(20000);
    for (int exponent = 7; exponent <= 10; ++exponent) {
        SetSize(exponent);
        const int n = 1 << exponent;
        for (int p : {1, 777, 20000 - n - 2, 20000 - n - 1, 19999, 25000}) {
            state_->DrawChannel = p % 2;
            auto expected = std::make_unique<FFTEngine>(analysis_->fft);
            PassState fast{p, false, 0, 0}, plain{p, false, 0, 0};
            TakeBlock(*state_, analysis_->fft, fast);
            direct::TakeBlock(*state_, *expected, plain);
            ASSERT_TRUE(SameBits(expected->FFTInput, analysis_->fft.FFTInput)) << p;
            ASSERT_EQ(fast.EndOfData, plain.EndOfData);
            ASSERT_EQ(fast.SamplePos, plain.SamplePos);
        }
        for (int round = 0; round < 8; ++round) {
            analysis_test::FillRandom(analysis_->fft.FFTInput, rng, 50.0);
            analysis_test::FillRandom(analysis_->fft.FFTOutput, rng, 3.0);
            for (auto& row : analysis_->fft.FFTOutput) row.Re = std::fabs(row.Re);
            if (round == 0) analysis_->fft.FFTInput = {};
            if (round == 1) analysis_->fft.FFTOutput = {};
            auto expected = std::make_unique<FFTEngine>(analysis_->fft);
            NormPeak(*state_, analysis_->fft);
            direct::NormPeak(*state_, *expected);
            ASSERT_TRUE(SameBits(expected->FFTInput, analysis_->fft.FFTInput)) << "NormPeak";
            DiffBlock(*state_, analysis_->fft);
            direct::DiffBlock(*state_, *expected);
            ASSERT_TRUE(SameBits(expected->FFTInput, analysis_->fft.FFTInput)) << "DiffBlock";
            NormMean(*state_, analysis_->fft);
            direct::NormMean(*state_, *expected);
            ASSERT_TRUE(SameBits(expected->FFTOutput, analysis_->fft.FFTOutput)) << "NormMean";
        }
    }
}

// Whole passes, every size, both accuracies and both filter modes: every line the renderer
// gets, and everything left behind, equal bit for bit.
TEST_F(PassTest, WholePassMatchesThePlainReading) {
    Record(60000, 37, 411);
    Controls threshold;
    threshold.ConstPPL = false;
    threshold.LimPosition = 12;
    for (int exponent = 7; exponent <= 10; ++exponent) {
        SetSize(exponent);
        for (int accuracy : {0, 1}) {
            for (Controls controls : {Controls{}, threshold}) {
                controls.Accuracy = accuracy;
                auto plain = std::make_unique<Analysis>(*analysis_);
                RecordingEffects plainEffects;
                std::vector<SeenLine> expected;
                state_->DrawChannel = kRight;
                direct::ChannelPass(*state_, *plain, controls, plainEffects, [&] {
                    expected.push_back({plain->pass.LineCounter, plain->pass.LineStart,
                                        plain->fft.FFTOutput, plain->fft.PhaseSpectrum});
                });
                const auto seen = Pass(kRight, controls);
                ASSERT_EQ(seen.size(), expected.size());
                for (size_t i = 0; i < seen.size(); ++i) {
                    ASSERT_TRUE(SameBits(expected[i].output, seen[i].output)) << "line " << i;
                    ASSERT_TRUE(SameBits(expected[i].phase, seen[i].phase)) << "line " << i;
                }
                ASSERT_TRUE(analysis_test::SameBuffers(plain->fft, analysis_->fft));
                EXPECT_EQ(plain->filter.FilterLimit, analysis_->filter.FilterLimit);
                EXPECT_EQ(plainEffects.limLabels, effects_.limLabels);
                effects_.limLabels.clear();
            }
        }
    }
}

}  // namespace
