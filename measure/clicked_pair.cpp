#include "clicked_pair.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// Neither side of the pass is taken as more than this many times as far from it as the other.
constexpr double kMostUneven = 4.0;
// A fall counts where it stands this many standard errors clear of the lines' scatter; a close
// pass clicked seconds away has none to speak of, and moving its tones by noise would cost more
// than the little way they still have to go.
constexpr double kClearFall = 3.0;

// When the pass was heard, as the part of the time between the clicks that lies after A: a
// fly-by's tone changes as (f^3 / tau^3) on either side (the same plane, the same closest
// distance), so tauA / tauB = (slopeB / slopeA)^(1/3) fA / fB. None where a tone does not fall
// clearly or the two sides disagree by more than a pass could: their slopes are then the engine's own
// wandering, not the pass, and tell nothing about the way still to go.
std::optional<double> ShareAfterA(const SnappedTone& a, const SnappedTone& b) {
    const double fallA = -a.slopeHzPerS, fallB = -b.slopeHzPerS;
    if (!(fallA > kClearFall * a.slopeErrorHzPerS && fallB > kClearFall * b.slopeErrorHzPerS &&
          a.hz > 0 && b.hz > 0))
        return std::nullopt;
    const double ratio = std::cbrt(fallB / fallA) * a.hz / b.hz;
    if (!(ratio >= 1 / kMostUneven && ratio <= kMostUneven)) return std::nullopt;
    return ratio / (1 + ratio);
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

// A pass's closest distance the correction believes: farther off, a fly-by's fall spreads over
// many seconds and its slope at a click drowns in the engine's own wandering.
constexpr double kFarthestPassM = 50.0;

// u from Slope(u) on the far side of its peak; none for a slope steeper than any pass makes
// with this Doppler shift at this time from it (the fall itself is reckoned at its steepest).
std::optional<double> DistancesToFly(double slope) {
    const bool possible = slope <= Slope(kSteepestU);
    if (!possible) return std::nullopt;
    double near = kSteepestU, far = 1e4;
    for (int i = 0; i < 60; ++i) {
        const double mid = std::sqrt(near * far);
        (Slope(mid) > slope ? near : far) = mid;
    }
    return std::sqrt(near * far);
}

// How much a tone still lacks when its slope times tau is measured, with the far-off tones'
// half difference (shiftHz, f v / c of the rest tone restHz) setting the scale: a tone f is
// moved by f^2 / (rest c) per unit of radial speed. distances: the u the slope gives, none
// where no pass explains it (the lack is then reckoned as at the steepest point).
struct OnTheWay {
    double lackHz = 0;
    std::optional<double> distances;
};
OnTheWay ShortfallOnTheWay(const SnappedTone& tone, double tauS, double shiftHz, double restHz) {
    const double fall = -tone.slopeHzPerS * tauS;
    const double scale = tone.hz / restHz * tone.hz / restHz * shiftHz;
    if (!(fall > 0 && scale > 0)) return {};
    const std::optional<double> u = DistancesToFly(fall / scale);
    return {scale * Lack(u.value_or(kSteepestU)), u};
}

}  // namespace

std::optional<DopplerSpeed> SpeedFromClickedTones(const SnappedTone& a, const SnappedTone& b,
                                                  double temperature) {
    const auto asSnapped = [&] { return SpeedFromSnapped(a.hz, a.spreadHz, b.hz, b.spreadHz, temperature); };
    const double between = std::fabs(b.seconds - a.seconds);
    const std::optional<double> shareAfterA = ShareAfterA(a, b);
    if (!(between > 0) || !shareAfterA) return asSnapped();
    const double tauA = *shareAfterA * between, tauB = between - tauA;
    // The approach tone rises to its far-off value, the recede tone falls to it. Each shortfall
    // depends on how near the click was to the pass (in closest distances), which the slope
    // tells once the Doppler shift is known, and that the far-off tones give: a few rounds.
    double farA = a.hz, farB = b.hz;
    std::optional<double> uA, uB;
    for (int round = 0; round < kRounds; ++round) {
        const double shift = 0.5 * (farA - farB), rest = 0.5 * (farA + farB);
        if (!(shift > 0 && rest > 0)) return asSnapped();
        const OnTheWay wayA = ShortfallOnTheWay(a, tauA, shift, rest);
        const OnTheWay wayB = ShortfallOnTheWay(b, tauB, shift, rest);
        farA = a.hz + wayA.lackHz;
        farB = b.hz - wayB.lackHz;
        uA = wayA.distances;
        uB = wayB.distances;
    }
    // Only a pass the slopes can stand for: steep enough for no pass at all, or a pass so far
    // off that its fall would be spread over seconds, is the engine's own wandering.
    const double shift = 0.5 * (farA - farB), rest = 0.5 * (farA + farB);
    if (!uA || !uB || !(shift > 0 && rest > 0)) return asSnapped();
    const double metresPerS = SpeedOfSound(temperature) * shift / rest;
    if (std::max(metresPerS * tauA / *uA, metresPerS * tauB / *uB) > kFarthestPassM) return asSnapped();
    // What each tone was moved by stands in its "±" too, in place of the drift across the lines
    // a single snap allows for: both are the tone still on its way.
    return SpeedFromSnapped(farA, a.scatterHz + (farA - a.hz), farB, b.scatterHz + (b.hz - farB),
                            temperature);
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
        doubts.swapped = !doubts.guideOfA && hzA < hzB;
    }
    return doubts;
}

}  // namespace pirolex
