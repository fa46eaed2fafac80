// The marker pair's speed worked by hand: 1100 Hz before and 900 Hz after the pass at 15 °C give
// v = c (1100 - 900) / (1100 + 900) = 1224.032 km/h / 10.
#include "marker_speed.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

MarkerReading Reading(double hz, std::optional<double> spreadHz, bool snapMissed = false) {
    return {.hz = hz, .spreadHz = spreadHz, .snapMissed = snapMissed, .axis = FrequencyAxis(44100, 1.0, 0, 1.0)};
}

TEST(MarkerSpeedTest, EachKindOfPairTakesTheDopplerFormulaAndNamesItsDoubts) {
    const struct {
        const char* what;
        MarkerReading a, b;
        int32_t topSpeedKmh;
        double kmh;
        bool swapped, aboveTop, unplacedB;
    } cases[] = {
        {"snapped", Reading(1100, 2.0), Reading(900, 2.0), 450, 122.403, false, false, false},
        {"clicked in different frames", Reading(1100, {}), Reading(900, {}), 450, 122.403, false, false, false},
        {"swapped", Reading(900, 2.0), Reading(1100, 2.0), 450, -122.403, true, false, false},
        {"above the top speed", Reading(1100, 2.0), Reading(900, 2.0), 100, 122.403, false, true, false},
        {"B not placed", Reading(1100, 2.0), Reading(900, {}, true), 450, 122.403, false, false, true},
    };
    for (const auto& c : cases) {
        const MarkerMeasurement m = MeasureMarkerPair(c.a, c.b, false, 15.0, c.topSpeedKmh);
        ASSERT_TRUE(m.speed) << c.what;
        EXPECT_NEAR(m.speed->kmh, c.kmh, 0.001) << c.what;
        EXPECT_EQ(m.doubts.swapped, c.swapped) << c.what;
        EXPECT_EQ(m.doubts.aboveTopSpeed, c.aboveTop) << c.what;
        EXPECT_EQ(m.doubts.unplacedB, c.unplacedB) << c.what;
        EXPECT_EQ(m.topSpeedKmh, c.topSpeedKmh) << c.what;
    }
    // The snapped pair's "±" is the two spreads' shares: 2 c (900 + 1100) 2 Hz / 2000² = c / 500.
    EXPECT_NEAR(MarkerPairSpeed(Reading(1100, 2.0), Reading(900, 2.0), false, 15.0)->resolutionKmh, 2.448, 0.001);
}

}  // namespace
}  // namespace pirolex
