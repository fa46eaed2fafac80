// The line filter: the local-mean test, both modes, the adaptation and its limits, and the
// summation order the ties depend on.

#include "line_filter.h"
#include "settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace pirolex;

class LineFilterTest : public ::testing::Test {
protected:
    // A line of bins 0..h for an FFT of 2^exponent points.
    void SetLine(int exponent, const std::vector<double>& bins) {
        line_.assign(static_cast<size_t>((1 << exponent) / 2), 0.0);
        for (int k = 0; k <= H() && k < int(bins.size()); ++k) line_[k] = bins[k];
    }
    int H() const { return static_cast<int>(line_.size()) - 1; }
    void Run(const Settings& settings) { limit_ = FilterLine(line_, settings, limit_); }
    int KeptBins() const {
        int kept = 0;
        for (double v : line_) kept += v != 0.0;
        return kept;
    }
    // Ten zero bins at each end.
    void ExpectLineShape() const {
        for (int k = 0; k <= H(); ++k) {
            if (k < 10 || k > H() - 10) {
                ASSERT_EQ(line_[k], 0.0) << k;
            }
        }
    }

    std::vector<double> line_;
    int32_t limit_ = kStartFilterLimit;
};

Settings Threshold(int threshold) {
    Settings s = StartupSettings();
    s.filterMode = FilterMode::kThreshold;
    s.threshold = threshold;
    return s;
}

Settings PointsPerLine(int points) {
    Settings s = StartupSettings();
    s.filterMode = FilterMode::kConstantPoints;
    s.pointsPerLine = points;
    return s;
}

// K peaks of 100, twelve bins apart, on a level of 1: for any factor from 1.1 to 16.6 exactly the
// peaks pass.
std::vector<double> Peaks(int count) {
    std::vector<double> line(512, 1.0);
    for (int i = 0; i < count; ++i) line[20 + 12 * i] = 100.0;
    return line;
}

// Half the points rounded half to even, and twice the points.
TEST(KeepRange, FromHalfToTwiceThePoints) {
    const struct {
        int points, low, high;
    } cases[] = {{5, 2, 10},  {7, 4, 14},  {9, 4, 18},  {11, 6, 22}, {20, 10, 40},
                 {21, 10, 42}, {23, 12, 46}, {49, 24, 98}, {50, 25, 100}};
    for (const auto& c : cases) {
        const KeepRange range = KeepRangeFor(c.points);
        EXPECT_EQ(range.low, c.low) << c.points;
        EXPECT_EQ(range.high, c.high) << c.points;
    }
}

TEST(StartLimit, TheThresholdOrTheCarriedLimit) {
    EXPECT_EQ(StartLimit(Threshold(7), 33), 7);
    EXPECT_EQ(StartLimit(PointsPerLine(20), 33), 33);
}

TEST_F(LineFilterTest, ThresholdZeroKeepsTheWholeInnerLine) {
    std::mt19937_64 rng(3);
    std::exponential_distribution<double> level(1.0);
    std::vector<double> line(512);
    for (double& v : line) v = level(rng);
    SetLine(10, line);
    Run(Threshold(0));
    ExpectLineShape();
    for (int k = 10; k <= H() - 10; ++k) ASSERT_EQ(line_[k], line[k]) << k;
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
        ASSERT_EQ(line_[k], kept ? line[k] : 0.0) << k;
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
        EXPECT_EQ(line_[100], limit <= 200 ? 37.5 : 0.0) << limit;
        EXPECT_EQ(KeptBins(), limit <= 200 ? 1 : 0) << limit;
    }
}

// In threshold mode the one iteration still moves the limit; the next line takes the track bar
// again.
TEST_F(LineFilterTest, ThresholdModeMakesOneIteration) {
    SetLine(10, Peaks(41));
    Run(Threshold(20));
    EXPECT_EQ(limit_, 21);
    EXPECT_EQ(KeptBins(), 41);
    SetLine(10, Peaks(5));
    Run(Threshold(20));
    EXPECT_EQ(limit_, 19);
}

TEST_F(LineFilterTest, PointsPerLineStopsInsideTheRange) {
    const struct {
        int peaks, limitAfter;
    } cases[] = {{10, 20}, {40, 20}, {41, 41}};
    for (const auto& c : cases) {
        SetLine(10, Peaks(c.peaks));
        limit_ = 20;
        Run(PointsPerLine(20));
        ExpectLineShape();
        // 41 peaks: 21 steps up, the line drawn with the 21st iteration's factor 4.0.
        EXPECT_EQ(limit_, c.limitAfter) << c.peaks;
        EXPECT_EQ(KeptBins(), c.peaks);
    }
}

// A flat line passes at factor 0.9 and fails at 1.0: the limit walks down to 10, then swings
// between 9 and 10 until the 21st iteration (factor 1.0) ends the line and leaves it at 9.
TEST_F(LineFilterTest, AdaptationStopsAfterTwentyOneIterations) {
    SetLine(10, std::vector<double>(512, 1.0));
    limit_ = 20;
    Run(PointsPerLine(20));
    ExpectLineShape();
    EXPECT_EQ(limit_, 9);
    EXPECT_EQ(KeptBins(), 0);
}

// Every tested bin of a silent line passes (0 >= 0) at any factor, so it tells nothing about the
// factor: the limit stays where it is, in both modes, and the line stays empty.
TEST_F(LineFilterTest, SilentLineLeavesTheLimitAlone) {
    const struct {
        int exponent;
        Settings settings;
        int limitAfter;
    } cases[] = {{10, PointsPerLine(20), 37}, {7, PointsPerLine(21), 37}, {10, Threshold(12), 12}};
    for (const auto& c : cases) {
        SetLine(c.exponent, std::vector<double>(512, 0.0));
        limit_ = 37;
        Run(c.settings);
        ExpectLineShape();
        EXPECT_EQ(limit_, c.limitAfter) << c.exponent;
        EXPECT_EQ(KeptBins(), 0);
    }
}

// A line whose only signal is one bin keeps every bin out of that bin's reach at any factor, so
// the limit rises on every such line; it stops at 201, where the bin itself already fails, so
// that the next line with signal starts its 21 steps down from there.
TEST_F(LineFilterTest, LimitStopsAt201) {
    std::vector<double> lone(512, 0.0);
    lone[100] = 37.5;
    limit_ = 180;
    for (int line = 0; line < 5; ++line) {
        SetLine(10, lone);
        Run(PointsPerLine(20));
        EXPECT_LE(limit_, 201);
    }
    EXPECT_EQ(limit_, 201);
    EXPECT_EQ(KeptBins(), 0);
    SetLine(10, Peaks(10));
    Run(PointsPerLine(20));
    EXPECT_EQ(limit_, 180);
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
            EXPECT_EQ(line_[k], expected[k]) << "bin " << k << " limit " << limit;
    }
}

// A zoomed band tests the ten lowest bins too, against the window of bins 0..20, and counts
// them for the adaptation; the whole band drops them whatever they hold. The mean of bins 0..20
// here is (100 + 18 x 1) / 20 = 5.9: factor 2.0 keeps the peak at bin 4 and nothing else low.
TEST_F(LineFilterTest, AZoomedBandFiltersTheLowestBinsToo) {
    std::vector<double> line(512, 1.0);
    line[4] = 100.0;
    line[0] = line[1] = 0.0;
    for (const bool zoomed : {false, true}) {
        Settings settings = Threshold(20);
        if (zoomed) {
            settings.bandLowHz = 100;
            settings.bandHighHz = 700;
        }
        SetLine(10, line);
        Run(settings);
        for (int k = 0; k < 10; ++k) EXPECT_EQ(line_[k], zoomed && k == 4 ? 100.0 : 0.0) << zoomed << " bin " << k;
        EXPECT_EQ(line_[H()], 0.0) << "the top ten stay dropped";
    }
    // Points per line, P = 5 (2..10 kept): ten peaks above bin 10 and one at bin 4, each alone
    // in its window. The whole band counts ten and stays; the zoomed band counts eleven and
    // climbs all 21 steps, as no factor parts peaks of one height.
    std::vector<double> eleven(512, 1.0);
    eleven[4] = 100.0;
    for (int k = 0; k < 10; ++k) eleven[100 + 12 * k] = 100.0;
    for (const bool zoomed : {false, true}) {
        Settings settings = PointsPerLine(5);
        if (zoomed) settings.bandHighHz = 700;
        SetLine(10, eleven);
        limit_ = 20;
        Run(settings);
        EXPECT_EQ(KeptBins(), zoomed ? 11 : 10) << zoomed;
        EXPECT_EQ(limit_, zoomed ? 41 : 20) << zoomed;
    }
}

}  // namespace
