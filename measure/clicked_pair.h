#pragma once
// Two clicked tones and what they can and cannot say about a pass.
//
// A click a second or two from the pass finds the tone still on its way: along a straight
// flight the tone reaches its far-off value only as 1 / tau^2 (tau the time to the pass), and
// within a closest distance or two of the pass more slowly still. The pair of clicks knows when
// each was heard and how fast each tone still changed, and from that (a fly-by's slope grows as
// 1 / tau^3 on either side) where between them the pass lies; how far each tone still had to go
// then follows from its slope, its tau and the Doppler shift, the flight's geometry tying them
// together. Each tone is moved by that, and the "±" owns up to half its slope times its tau (in
// place of the drift across the lines a single snap allows for), for the slope's noise and the
// pass's place between the clicks.
//
// And clicks that make no physical sense are named: a speed above the top speed the user
// believes, B on another harmonic of A's tone (near one of the guides at 0.5x, 2x or 3x A rather
// than near A), A below B (the buttons swapped), or a click the snap could not place on a tone.

#include "doppler_speed.h"
#include "tone_snap.h"

#include <cstdint>
#include <optional>

namespace pirolex {

// The speed from two snapped tones heard at different moments, each moved to its far-off value
// (see above). Without a time between them it is SpeedFromSnapped's.
std::optional<DopplerSpeed> SpeedFromClickedTones(const SnappedTone& a, const SnappedTone& b,
                                                  double temperature);

// What is doubtful about a speed from two markers. Empty: nothing.
struct ClickDoubts {
    bool aboveTopSpeed = false;
    // The guide (0.5, 2 or 3 times A) that B lies nearer to than to A itself.
    std::optional<double> guideOfA;
    bool unplacedA = false;  // the snap found no tone at the click
    bool unplacedB = false;
    // A lower than B on the same harmonic: A was clicked on the receding track and B on the
    // approaching one. Their speed would come out negative, or from the far-off correction a
    // plausible wrong one, so there is none.
    bool swapped = false;

    bool Any() const { return aboveTopSpeed || guideOfA || unplacedA || unplacedB || swapped; }
};

// The harmonic guides drawn while marker A is set.
inline constexpr double kGuideMultiples[] = {2.0, 3.0, 0.5};

ClickDoubts DoubtsAbout(double hzA, double hzB, std::optional<double> speedKmh,
                        double topSpeedKmh, bool unplacedA, bool unplacedB);

}  // namespace pirolex
