#include "level_scale.h"

#include "settings.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace pirolex {

namespace {

// viridis at eleven evenly spaced points, red in the low byte.
constexpr uint32_t kScale[] = {0x540144, 0x752448, 0x874441, 0x8D5F35, 0x8E782A, 0x8C9121,
                               0x84A822, 0x70BF44, 0x51D17A, 0x26DFBD, 0x25E7FD};
constexpr int32_t kScaleSteps = static_cast<int32_t>(std::size(kScale)) - 1;

}  // namespace

// Linear between the scale's points.
uint32_t ScaleColour(double t) {
    const double at = std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * kScaleSteps;
    const int32_t i = std::min(static_cast<int32_t>(at), kScaleSteps - 1);
    const double f = at - i;
    uint32_t colour = 0;
    for (int shift : {0, 8, 16}) {
        const double a = (kScale[i] >> shift) & 0xFF, b = (kScale[i + 1] >> shift) & 0xFF;
        colour |= static_cast<uint32_t>(std::lround(a + (b - a) * f)) << shift;
    }
    return colour;
}

}  // namespace pirolex

namespace pirolex {

int32_t AutomaticLevelGainDb(double loudestDb) {
    if (!(loudestDb < 0)) return 0;  // at full scale, or nothing heard (NaN)
    return static_cast<int32_t>(std::min<double>(std::floor(-loudestDb), kHighestLevelGainDb));
}

}  // namespace pirolex
