#include "auto_speed.h"

#include "flyby_fit.h"
#include "full_spectrogram.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pirolex {

namespace {

constexpr double kShortestSeconds = 1.0;
constexpr int kSilentLevel = 2;          // 16-bit steps; a rounding error, not a sound
constexpr size_t kFewestPoints = 30;     // ~0.35 s of track
constexpr double kSmallestFall = 1.004;  // highest / lowest pitch: a pass at less than ~2 km/h
constexpr size_t kFewestPerSide = 15;
constexpr double kShortestSide = 0.25;  // s of track on either side of the pass
// The track must reach this far into the approach and the departure, as the cosine of the
// angle between the flight line and the line of sight (0 at the pass, -1 and 1 far off).
constexpr double kSideCosine = 0.3;
// The fall itself must be seen, not only the pitch before and after it: a jump from one harmonic
// of the tone to another across a gap in the track looks like a very close, very fast pass.
constexpr double kFallCosine = 0.9;
constexpr size_t kFewestInFall = 3;
constexpr double kLargestRelativeSigma = 0.03;
// A fit that ends near the edge of what the fit may try is pinned there, not at a minimum.
constexpr double kFastestShare = 0.9;  // of the speed of sound
// The microphone is not inside the plane: half a metre is the closest a pass can come, and a fit
// nearer than that has taken a jump in the track for a pass. Beyond a few hundred metres a
// model's engine sinks into the field's noise, and its whole fall would take longer than
// recordings of a pass do (at 300 m and 150 km/h some 15 s): such a fit has taken a slow drift of
// the rpm, or the approach of one sound and the departure of another, for a pass.
constexpr double kNearest = 0.5;     // m
constexpr double kFarthest = 300.0;  // m

bool Silent(const Recording& recording) {
    for (const std::vector<int16_t>& channel : recording.channels)
        for (int16_t s : channel)
            if (std::abs(static_cast<int>(s)) > kSilentLevel) return false;
    return true;
}

// A pass lowers the tone by 2 v / c and more; a tone that spans less than that for any speed
// worth measuring stands still. (Whether it falls the way a pass makes it is the fit's part.)
bool Moves(const ToneTrack& track) {
    std::vector<double> f = track.frequencies;
    const auto low = f.begin() + static_cast<std::ptrdiff_t>(f.size() / 50);
    const auto high = f.begin() + static_cast<std::ptrdiff_t>(f.size() - 1 - f.size() / 50);
    std::nth_element(f.begin(), low, f.end());
    const double lowHz = *low;
    std::nth_element(f.begin(), high, f.end());
    return *high >= kSmallestFall * lowHz;
}

// Enough of the track before and after the moment the pass is heard, reaching far enough out.
bool BothSidesHeard(const ToneTrack& track, const FlybyModel& model) {
    const double heard = model.closestTime + model.distance / model.soundSpeed;
    const auto split = static_cast<size_t>(std::lower_bound(track.times.begin(), track.times.end(), heard) -
                                           track.times.begin());
    const size_t before = split, after = track.Size() - split;
    if (before < kFewestPerSide || after < kFewestPerSide) return false;
    if (heard - track.times.front() < kShortestSide || track.times.back() - heard < kShortestSide)
        return false;
    return model.CosineAt(track.times.front()) <= -kSideCosine &&
           model.CosineAt(track.times.back()) >= kSideCosine;
}

bool FallSeen(const ToneTrack& track, const FlybyModel& model) {
    const auto inFall = std::count_if(track.times.begin(), track.times.end(),
                                      [&](double t) { return std::fabs(model.CosineAt(t)) <= kFallCosine; });
    return static_cast<size_t>(inFall) >= kFewestInFall;
}

// The speed's uncertainty: the fit's, and that of the speed of sound from an air temperature set
// to the nearest whole degree (uniform within half a degree). The speed scales with c, and
// c with the square root of the absolute temperature.
double SpeedSigma(const FlybyFit& fit, double temperatureC) {
    const double relativeC = 0.5 * (0.5 / std::sqrt(3.0)) / (temperatureC + 273.15);
    return std::hypot(fit.speedSigma, relativeC * fit.model.speed);
}

void Describe(const FlybyFit& fit, double temperatureC, AutoSpeed& result) {
    const FlybyModel& m = fit.model;
    result.model = m;
    result.speedKmh = m.speed * 3.6;
    result.sigmaKmh = SpeedSigma(fit, temperatureC) * 3.6;
    result.restFrequencyHz = m.restHz;
    result.closestTimeS = m.closestTime;
    result.closestDistanceM = m.distance;
    result.approachFrequencyHz = m.ApproachHz();
    result.recedeFrequencyHz = m.RecedeHz();
    result.fittedHz.clear();
    for (double t : result.track.times) result.fittedHz.push_back(m.FrequencyAt(t));
}

AutoSpeedRefusal Judge(const ToneTrack& track, const FlybyFit& fit, double maxSpeedKmh) {
    if (!fit.converged) return AutoSpeedRefusal::kNoFit;
    if (!BothSidesHeard(track, fit.model)) return AutoSpeedRefusal::kHalfPass;
    if (!FallSeen(track, fit.model)) return AutoSpeedRefusal::kNoFall;
    const FlybyModel& m = fit.model;
    if (!(m.speed < kFastestShare * m.soundSpeed && m.distance >= kNearest && m.distance <= kFarthest))
        return AutoSpeedRefusal::kUnphysical;
    if (m.speed * 3.6 > maxSpeedKmh) return AutoSpeedRefusal::kAboveTopSpeed;
    if (!(fit.speedSigma <= kLargestRelativeSigma * fit.model.speed)) return AutoSpeedRefusal::kUncertain;
    return AutoSpeedRefusal::kNone;
}

}  // namespace

AutoSpeed EstimateSpeed(const Recording& recording, double temperatureC, double maxSpeedKmh) {
    AutoSpeed result;
    result.topSpeedKmh = maxSpeedKmh;
    if (recording.sampleRate <= 0 || recording.FrameCount() == 0) return result;
    result.refusal = AutoSpeedRefusal::kTooShort;
    if (recording.Seconds() < kShortestSeconds) return result;
    result.refusal = AutoSpeedRefusal::kSilence;
    if (Silent(recording)) return result;
    result.track = TrackTone(ComputeFullSpectrogram(recording));
    // A tone that never moves is no pass, though it is a tone.
    result.refusal = result.track.steadyHz > 0.0 ? AutoSpeedRefusal::kNoPass : AutoSpeedRefusal::kNoTone;
    if (result.track.Size() < kFewestPoints) return result;
    result.refusal = AutoSpeedRefusal::kNoPass;
    if (!Moves(result.track)) return result;
    const FlybyFit fit = FitFlyby(result.track.times, result.track.frequencies, SpeedOfSound(temperatureC));
    Describe(fit, temperatureC, result);
    result.refusal = Judge(result.track, fit, maxSpeedKmh);
    return result;
}

}  // namespace pirolex
