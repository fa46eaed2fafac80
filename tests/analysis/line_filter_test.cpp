// The line filter: the local-mean test, both modes, the adaptation and its limits, the captions,
// and the fast filter against the plain reading.

#include "analysis_fixture.h"
#include "direct_stages.h"
#include "line_filter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace pirolex;
using analysis_test::Bits;
using analysis_test::RecordingEffects;

class LineFilterTest : public ::testing::Test {
protected:
    // A line of bins 0..h; rows above h and the scratch column get a marker value that the
    // filter must not read (above h) or must overwrite (scratch).
    void SetLine(int exponent, const std::vector<double>& bins) {
        state_ = analysis_test::MakeState(exponent);
        SetFFTExponent(*state_, exponent);
        for (auto& row : fft_->FFTOutput) row = {-7.0, -9.0};
        for (int k = 0; k <= H() && k < int(bins.size()); ++k) fft_->FFTOutput[k].Re = bins[k];
    }
    int H() const { return (state_->FFTMask + 1) / 2 - 1; }
    void Run(const Controls& controls) { LineFilter(*state_, *fft_, filter_, controls, effects_); }
    int KeptBins() const {
        int kept = 0;
        for (int k = 0; k <= H(); ++k) kept += fft_->FFTOutput[k].Re != 0.0;
        return kept;
    }
    // The displayed half: ten zero bins at each end, and the scratch column mirrors the rest.
    void ExpectLineShape() const {
        for (int k = 0; k <= H(); ++k) {
            const ComplexRow& row = fft_->FFTOutput[k];
            if (k < 10 || k > H() - 10)
                ASSERT_EQ(row.Re, 0.0) << k;
            else
                ASSERT_EQ(row.Im, row.Re) << k;
        }
        for (int k = H() + 1; k < 1024; ++k) ASSERT_EQ(fft_->FFTOutput[k].Re, -7.0) << k;
    }

    std::unique_ptr<FFTEngine> fft_ = std::make_unique<FFTEngine>();
    std::unique_ptr<AnalysisState> state_;
    LineFilterState filter_;
    RecordingEffects effects_;
};

Controls Threshold(int position) {
    Controls c;
    c.ConstPPL = false;
    c.LimPosition = position;
    return c;
}

Controls PointsPerLine(int points) {
    Controls c;
    c.ConstPPL = true;
    c.CFARPosition = points;
    return c;
}

// K peaks of 100, twelve bins apart, on a level of 1: for any factor from 1.1 to 16.6 exactly the
// peaks pass.
std::vector<double> Peaks(int count) {
    std::vector<double> line(512, 1.0);
    for (int i = 0; i < count; ++i) line[20 + 12 * i] = 100.0;
    return line;
}

TEST_F(LineFilterTest, CaptionsShowTheStartLimitAndTheKeepRange) {
    const struct {
        int points;
        const char* caption;
    } cases[] = {{5, "CFAR : 2 .. 10"},   {7, "CFAR : 4 .. 14"},   {9, "CFAR : 4 .. 18"},
                 {11, "CFAR : 6 .. 22"},  {20, "CFAR : 10 .. 40"}, {21, "CFAR : 10 .. 42"},
                 {23, "CFAR : 12 .. 46"}, {49, "CFAR : 24 .. 98"}, {50, "CFAR : 25 .. 100"}};
    for (const auto& c : cases) {
        SetLine(10, Peaks(10));
        filter_.FilterLimit = -3;
        Run(PointsPerLine(c.points));
        EXPECT_EQ(effects_.cfarLabels.back(), c.caption);
        EXPECT_EQ(effects_.limLabels.back(), "Limit : -3");
    }
}

TEST_F(LineFilterTest, ThresholdZeroKeepsTheWholeInnerLine) {
    std::mt19937_64 rng(3);
    std::exponential_distribution<double> level(1.0);
    std::vector<double> line(512);
    for (double& v : line) v = level(rng);
    SetLine(10, line);
    Run(Threshold(0));
    ExpectLineShape();
    for (int k = 10; k <= H() - 10; ++k) ASSERT_EQ(fft_->FFTOutput[k].Re, line[k]) << k;
    EXPECT_EQ(effects_.limLabels.back(), "Limit : 0");
}

TEST_F(LineFilterTest, ThresholdThirtyKeepsThreeTimesTheWindowMean) {
    std::mt19937_64 rng(5);
    std::exponential_distribution<double> level(1.0);
    std::vector<double> line(256);
    for (double& v : line) v = level(rng) * level(rng);
    SetLine(9, line);
    Run(Threshold(30));
    ExpectLineShape();
    for (int k = 10; k <= H() - 10; ++k) {
        long double window = 0;
        for (int j = k - 10; j <= k + 10; ++j) window += line[j];
        const bool kept = line[k] >= 3.0L * window / 20;
        ASSERT_EQ(fft_->FFTOutput[k].Re, kept ? line[k] : 0.0) << k;
    }
}

// A lone peak's window mean is A/20: it passes up to a factor of 20.0, its zero neighbours fail
// for any positive factor, and zero bins out of its reach pass (0 >= 0).
TEST_F(LineFilterTest, LonePeakPassesUpToTwoHundredTenths) {
    for (int limit : {1, 30, 200, 201}) {
        std::vector<double> line(512, 0.0);
        line[100] = 37.5;
        SetLine(10, line);
        Run(Threshold(limit));
        ExpectLineShape();
        EXPECT_EQ(fft_->FFTOutput[100].Re, limit <= 200 ? 37.5 : 0.0) << limit;
        EXPECT_EQ(KeptBins(), limit <= 200 ? 1 : 0) << limit;
    }
}

// In threshold mode the one iteration still moves the limit; the next line takes the track bar
// again.
TEST_F(LineFilterTest, ThresholdModeMakesOneIteration) {
    SetLine(10, Peaks(41));
    Run(Threshold(20));
    EXPECT_EQ(filter_.FilterLimit, 21);
    EXPECT_EQ(KeptBins(), 41);
    SetLine(10, Peaks(5));
    Run(Threshold(20));
    EXPECT_EQ(filter_.FilterLimit, 19);
    EXPECT_EQ(effects_.limLabels, (std::vector<std::string>{"Limit : 20", "Limit : 20"}));
}

TEST_F(LineFilterTest, PointsPerLineStopsInsideTheRange) {
    const struct {
        int peaks, limitAfter;
    } cases[] = {{10, 20}, {40, 20}, {41, 41}};
    for (const auto& c : cases) {
        SetLine(10, Peaks(c.peaks));
        filter_.FilterLimit = 20;
        Run(PointsPerLine(20));
        ExpectLineShape();
        // 41 peaks: 21 steps up, the line drawn with the 21st iteration's factor 4.0.
        EXPECT_EQ(filter_.FilterLimit, c.limitAfter) << c.peaks;
        EXPECT_EQ(KeptBins(), c.peaks);
    }
}

// A flat line passes at factor 0.9 and fails at 1.0: the limit walks down to 10, then swings
// between 9 and 10 until the 21st iteration (factor 1.0) ends the line and leaves it at 9.
TEST_F(LineFilterTest, AdaptationStopsAfterTwentyOneIterations) {
    SetLine(10, std::vector<double>(512, 1.0));
    filter_.FilterLimit = 20;
    Run(PointsPerLine(20));
    ExpectLineShape();
    EXPECT_EQ(filter_.FilterLimit, 9);
    EXPECT_EQ(KeptBins(), 0);
}

// Every tested bin of a silent line passes (0 >= 0) at any factor, so it tells nothing about the
// factor: the limit stays where it is, in both modes, and the line stays empty.
TEST_F(LineFilterTest, SilentLineLeavesTheLimitAlone) {
    const struct {
        int exponent;
        Controls controls;
        int limitAfter;
    } cases[] = {{10, PointsPerLine(20), 37}, {7, PointsPerLine(21), 37}, {10, Threshold(12), 12}};
    for (const auto& c : cases) {
        SetLine(c.exponent, std::vector<double>(512, 0.0));
        filter_.FilterLimit = 37;
        Run(c.controls);
        ExpectLineShape();
        EXPECT_EQ(filter_.FilterLimit, c.limitAfter) << c.exponent;
        EXPECT_EQ(KeptBins(), 0);
    }
}

// A line whose only signal is one bin keeps every bin out of that bin's reach at any factor, so
// the limit rises on every such line; it stops at 201, where the bin itself already fails, so
// that the next line with signal starts its 21 steps down from there.
TEST_F(LineFilterTest, LimitStopsAt201) {
    std::vector<double> lone(512, 0.0);
    lone[100] = 37.5;
    filter_.FilterLimit = 180;
    for (int line = 0; line < 5; ++line) {
        SetLine(10, lone);
        Run(PointsPerLine(20));
        EXPECT_LE(filter_.FilterLimit, 201);
    }
    EXPECT_EQ(filter_.FilterLimit, 201);
    EXPECT_EQ(KeptBins(), 0);
    SetLine(10, Peaks(10));
    Run(PointsPerLine(20));
    EXPECT_EQ(filter_.FilterLimit, 180);
}

TEST_F(LineFilterTest, DoesNothingBeforeAWaveWasOpened) {
    SetLine(10, Peaks(10));
    state_->WaveOpened = false;
    const auto before = fft_->FFTOutput;
    Run(PointsPerLine(20));
    EXPECT_TRUE(analysis_test::SameBits(before, fft_->FFTOutput));
    EXPECT_TRUE(effects_.limLabels.empty());
    EXPECT_TRUE(effects_.cfarLabels.empty());
}

// Bins placed exactly on the threshold: the smallest amplitude that passes and the largest that
// fails, found with the window mean summed the prescribed way, (a/10)/2 term by term in
// ascending order. A filter that sums in any other order gets some of these the other way round.
TEST_F(LineFilterTest, ThresholdTiesFollowTheSummationOrder) {
    std::mt19937_64 rng(29);
    std::exponential_distribution<double> level(1.0);
    std::vector<double> line(512);
    for (double& v : line) v = level(rng);
    auto passes = [&](int k, double x, int limit) {
        line[k] = x;
        double mean = 0;
        for (int j = k - 10; j <= k + 10; ++j) mean = mean + (line[j] / 10) / 2;
        return x >= (limit / 10.0) * mean;
    };
    for (int limit : {13, 20, 27}) {
        std::vector<double> expected(512, 0.0);
        for (int k = 15, i = 0; k <= 490; k += 22, ++i) {
            double fail = 0.0, pass = 1e6;
            ASSERT_FALSE(passes(k, fail, limit));
            ASSERT_TRUE(passes(k, pass, limit));
            while (std::nextafter(fail, pass) != pass) {
                const double mid = fail + (pass - fail) / 2;
                (passes(k, mid, limit) ? pass : fail) = mid;
            }
            line[k] = i % 2 == 0 ? pass : fail;
            expected[k] = i % 2 == 0 ? pass : 0.0;
        }
        SetLine(10, line);
        Run(Threshold(limit));
        for (int k = 15; k <= 490; k += 22)
            EXPECT_EQ(fft_->FFTOutput[k].Re, expected[k]) << "bin " << k << " limit " << limit;
    }
}

// The fast filter against the plain reading, bit for bit, over runs of lines that carry the
// limit along, in every size and both modes.
TEST_F(LineFilterTest, MatchesThePlainReading) {
    std::mt19937_64 rng(17);
    std::exponential_distribution<double> level(1.0);
    std::uniform_int_distribution<int> sparse(0, 9);
    const struct {
        Controls controls;
        int startLimit;
    } modes[] = {{Threshold(0), 20},       {Threshold(13), 20},     {Threshold(30), -4},
                 {PointsPerLine(5), 20},   {PointsPerLine(20), 20}, {PointsPerLine(23), 60},
                 {PointsPerLine(50), -10}, {PointsPerLine(9), 300}};
    for (int exponent = 7; exponent <= 10; ++exponent) {
        for (const auto& mode : modes) {
            filter_.FilterLimit = mode.startLimit;
            LineFilterState reference{mode.startLimit};
            RecordingEffects referenceEffects;
            for (int line = 0; line < 12; ++line) {
                std::vector<double> bins(512);
                for (double& v : bins) {
                    switch (line % 3) {
                        case 0: v = level(rng); break;
                        case 1: v = sparse(rng) == 0 ? 20 * level(rng) : 0.0; break;
                        default: v = level(rng) * level(rng) * level(rng); break;
                    }
                }
                SetLine(exponent, bins);
                auto expected = std::make_unique<FFTEngine>(*fft_);
                direct::LineFilter(*state_, *expected, reference, mode.controls, referenceEffects);
                Run(mode.controls);
                ASSERT_TRUE(analysis_test::SameBits(expected->FFTOutput, fft_->FFTOutput))
                    << "N " << (1 << exponent) << " line " << line;
                ASSERT_EQ(filter_.FilterLimit, reference.FilterLimit);
            }
            EXPECT_EQ(effects_.limLabels.back(), referenceEffects.limLabels.back());
            EXPECT_EQ(effects_.cfarLabels.back(), referenceEffects.cfarLabels.back());
        }
    }
}

}  // namespace
