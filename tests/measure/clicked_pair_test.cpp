// What two markers' frequencies say is doubtful about their speed.
#include "clicked_pair.h"

#include <gtest/gtest.h>

#include <optional>

namespace pirolex {
namespace {

// The sample's tones: 4822.8 Hz approaching, 3961.6 Hz receding (120 km/h), harmonics above.
TEST(ClickDoubts, TopSpeedGuidesAndUnplacedClicks) {
    struct Case {
        const char* name;
        double hzA, hzB, kmh;
        bool unplacedA;
        bool above;
        std::optional<double> guide;
        bool swapped = false;
    };
    const Case cases[] = {
        {"one harmonic", 4822.8, 3961.6, 120, false, false, std::nullopt},
        {"A on the second harmonic", 2 * 4822.8, 3961.6, 511, false, true, 0.5},
        {"B on the second harmonic", 4822.8, 2 * 3961.6, -400, false, false, 2.0},
        {"B on the third harmonic", 4822.8, 3 * 3961.6, -700, false, false, 3.0},
        {"a fast plane, still nearer A", 4822.8, 3500.0, 194, false, false, std::nullopt},
        {"above the top speed alone", 4822.8, 3961.6, 451, false, true, std::nullopt},
        {"an unplaced click", 5200.0, 3961.6, 165, true, false, std::nullopt},
        {"A on the recede, B on the approach", 3961.6, 4822.8, -120, false, false, std::nullopt, true},
        {"swapped and close together", 4400.0, 4410.0, -1.6, false, false, std::nullopt, true},
    };
    for (const Case& c : cases) {
        const ClickDoubts d = DoubtsAbout(c.hzA, c.hzB, c.kmh, 450, c.unplacedA, false);
        EXPECT_EQ(d.aboveTopSpeed, c.above) << c.name;
        EXPECT_EQ(d.guideOfA, c.guide) << c.name;
        EXPECT_EQ(d.unplacedA, c.unplacedA) << c.name;
        EXPECT_EQ(d.swapped, c.swapped) << c.name;
        EXPECT_EQ(d.Any(), c.above || c.guide || c.unplacedA || c.swapped) << c.name;
    }
    EXPECT_FALSE(DoubtsAbout(4822.8, 3961.6, std::nullopt, 450, false, false).aboveTopSpeed)
        << "no speed is not above anything";
}

}  // namespace
}  // namespace pirolex
