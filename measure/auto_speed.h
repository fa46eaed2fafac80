#pragma once
// The automatic speed measurement: from a whole recording and the air temperature to the speed
// of a fly-by with its uncertainty, or a reason why there is no answer. It reads the recording's
// samples, never a picture, so no display setting changes it.
//
//   const AutoSpeed result = EstimateSpeed(recording, 15.0);
//   if (result.Answered()) ... result.speedKmh, result.sigmaKmh ...
//   else ... result.refusal ...

#include "flyby_model.h"
#include "recording.h"
#include "tone_track.h"

#include <cstdint>
#include <vector>

namespace pirolex {

// The top speed the user believes, in km/h, unless told otherwise.
inline constexpr double kDefaultTopSpeedKmh = 450.0;

// Why there is no speed. The texts for users are made from these where they are shown.
enum class AutoSpeedRefusal : uint8_t {
    kNone,        // answered: the speed is valid
    kNoSamples,   // the recording has no samples or no sample rate
    kTooShort,    // the recording is too short to hold a pass
    kSilence,     // the recording is (digitally) silent
    kNoTone,      // no tone stands out of the noise for long enough to follow
    kNoPass,      // a tone is there but its pitch does not fall as a pass makes it fall
    kHalfPass,    // only the approach or only the departure is in the recording
    kNoFall,      // the pitch before and after the pass is heard, but not its fall between
    kNoFit,       // the fly-by model could not be fitted to the tone's course
    kUnphysical,  // the best fit is no possible fly-by (speed or distance out of range)
    kUncertain,   // the speed would be too uncertain to state
    kAboveTopSpeed,   // the best fit is faster than the top speed the user believes
    kHarmonicChange,  // the tone changes from one harmonic to another where it passes
    // The course fits no pass, and the recording is far quieter in its low band on one side of
    // where the pass is heard than on the other: what is tracked on that side is another sound.
    kBandMissing,
};

struct AutoSpeed {
    AutoSpeedRefusal refusal = AutoSpeedRefusal::kNoSamples;
    double speedKmh = 0.0;
    // One standard deviation: the fit's, a temperature in whole degrees, a side too short to
    // average out the rpm, and a fall hidden under a burst.
    double sigmaKmh = 0.0;
    double restFrequencyHz = 0.0;  // f0 of the tracked harmonic, as the source emits it
    double closestTimeS = 0.0;     // when the source is nearest, s from the start; heard d / c later
    double closestDistanceM = 0.0;
    // The tracked harmonic's frequency far before and far after the pass, where markers for
    // the manual measurement would go.
    double approachFrequencyHz = 0.0;
    double recedeFrequencyHz = 0.0;
    // The track the fit used (the tracked harmonic, see ToneTrack::harmonic), and the fitted
    // curve at its times. Kept also for most refusals, to show what was heard.
    ToneTrack track;
    std::vector<double> fittedHz;
    // The fitted curve at any time: model.FrequencyAt(t). Valid when answered.
    FlybyModel model;

    double topSpeedKmh = kDefaultTopSpeedKmh;  // the top speed it was measured with

    bool Answered() const { return refusal == AutoSpeedRefusal::kNone; }
    int Harmonic() const { return track.harmonic; }
};

// maxSpeedKmh: a fit faster than this is refused (kAboveTopSpeed).
AutoSpeed EstimateSpeed(const Recording& recording, double temperatureC,
                        double maxSpeedKmh = kDefaultTopSpeedKmh);

// Adds an uncertainty the fit itself cannot see (sigmaKmh, independent of the fit's) to the
// speed's, and refuses as kUncertain where the sum grows too large.
void AddUncertainty(AutoSpeed& speed, double sigmaKmh);

}  // namespace pirolex
