#include "clicked_pair.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// How far a tone still had to go by the 1 / tau^2 law alone, in Hz; never negative.
double RemainingShortfallHz(const SnappedTone& tone, double tauS) {
    return 0.5 * std::max(0.0, -tone.slopeHzPerS) * std::max(0.0, tauS);
}

// Neither side of the pass is taken as more than this many times as far from it as the other:
// a slope lost in the noise must not put the pass onto a click.
constexpr double kMostUneven = 4.0;

// When the pass was heard, as the part of the time between the clicks that lies after A: a
// fly-by's tone changes as (f^3 / tau^3) on either side (the same plane, the same closest
// distance), so tauA / tauB = (slopeB / slopeA)^(1/3) fA / fB. Half way where a slope is missing
// or rises.
double ShareAfterA(const SnappedTone& a, const SnappedTone& b) {
    const double fallA = -a.slopeHzPerS, fallB = -b.slopeHzPerS;
    if (!(fallA > 0 && fallB > 0 && a.hz > 0 && b.hz > 0)) return 0.5;
    const double ratio = std::clamp(std::cbrt(fallB / fallA) * a.hz / b.hz, 1 / kMostUneven, kMostUneven);
    return ratio / (1 + ratio);
}

// The shortfall's share of the "±": the law's own value once more, and a rising or flat slope's
// reach although the tone is not moved for it.
double UncertainShortfallHz(const SnappedTone& tone, double tauS) {
    return 0.5 * std::fabs(tone.slopeHzPerS) * tauS;
}

// Along a straight flight the radial speed is v u / sqrt(1 + u^2), u the distance still to fly
// in closest distances: its slope goes as Slope(u) = u / (1 + u^2)^(3/2) (in v per tau) and
// what it still lacks as Lack(u) = 1 - u / sqrt(1 + u^2) (in v). Far out Lack = Slope / 2, the
// 1 / tau^2 law; at a closest distance or two from the pass the lack is up to twice that.
double Slope(double u) { return u / std::pow(1 + u * u, 1.5); }
double Lack(double u) { return 1 - u / std::sqrt(1 + u * u); }

constexpr int kRounds = 4;
// Slope(u) is largest at u = 1 / sqrt(2); a click nearer than that is in the fall itself, where
// the slope no longer tells the distance.
const double kSteepestU = 1 / std::sqrt(2.0);

// u from Slope(u) on the far side of its peak.
double DistancesToFly(double slope) {
    if (slope >= Slope(kSteepestU)) return kSteepestU;
    double near = kSteepestU, far = 1e4;
    for (int i = 0; i < 60; ++i) {
        const double mid = std::sqrt(near * far);
        (Slope(mid) > slope ? near : far) = mid;
    }
    return std::sqrt(near * far);
}

// How much a tone still lacks when its slope times tau is measured, with the far-off tones'
// half difference (shiftHz, f v / c of the rest tone restHz) setting the scale: a tone f is
// moved by f^2 / (rest c) per unit of radial speed.
double ShortfallOnTheWay(const SnappedTone& tone, double tauS, double shiftHz, double restHz) {
    const double fall = -tone.slopeHzPerS * tauS;
    if (!(fall > 0)) return 0;
    const double scale = tone.hz / restHz * tone.hz / restHz * shiftHz;
    return scale * Lack(DistancesToFly(fall / scale));
}

}  // namespace

std::optional<DopplerSpeed> SpeedFromClickedTones(const SnappedTone& a, const SnappedTone& b,
                                                  int32_t temperature) {
    const double between = std::fabs(b.seconds - a.seconds);
    if (!(between > 0)) return SpeedFromSnapped(a.hz, a.spreadHz, b.hz, b.spreadHz, temperature);
    const double tauA = ShareAfterA(a, b) * between, tauB = between - tauA;
    // The approach tone rises to its far-off value, the recede tone falls to it. Each shortfall
    // depends on how near the click was to the pass (in closest distances), which the slope
    // tells once the Doppler shift is known, and that the far-off tones give: a few rounds.
    double farA = a.hz, farB = b.hz;
    for (int round = 0; round < kRounds; ++round) {
        const double shift = 0.5 * (farA - farB), rest = 0.5 * (farA + farB);
        if (!(shift > 0 && rest > 0)) {
            farA = a.hz + RemainingShortfallHz(a, tauA);
            farB = b.hz - RemainingShortfallHz(b, tauB);
            break;
        }
        farA = a.hz + ShortfallOnTheWay(a, tauA, shift, rest);
        farB = b.hz - ShortfallOnTheWay(b, tauB, shift, rest);
    }
    // The shortfall's share takes the place of the drift across the lines in each tone's spread:
    // both stand for the tone still on its way.
    return SpeedFromSnapped(farA, a.scatterHz + UncertainShortfallHz(a, tauA), farB,
                            b.scatterHz + UncertainShortfallHz(b, tauB), temperature);
}

ClickDoubts DoubtsAbout(double hzA, double hzB, std::optional<double> speedKmh,
                        double topSpeedKmh, bool unplacedA, bool unplacedB) {
    ClickDoubts doubts;
    doubts.aboveTopSpeed = speedKmh && *speedKmh > topSpeedKmh;
    doubts.unplacedA = unplacedA;
    doubts.unplacedB = unplacedB;
    if (hzA > 0 && hzB > 0) {
        // On a log scale, as the ear and the harmonics see it: B a factor 1.8 below A is nearer
        // 0.5x than 1x.
        double nearest = std::fabs(std::log(hzB / hzA));
        for (const double multiple : kGuideMultiples) {
            const double distance = std::fabs(std::log(hzB / (multiple * hzA)));
            if (distance < nearest) {
                nearest = distance;
                doubts.guideOfA = multiple;
            }
        }
    }
    return doubts;
}

}  // namespace pirolex
