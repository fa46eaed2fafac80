#include "auto_speed.h"

#include "flyby_fit.h"
#include "full_spectrogram.h"
#include "long_block_tone.h"
#include "steady_tones.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

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
constexpr double kLargestRelativeSigma = 0.04;
// A fit that ends near the edge of what the fit may try is pinned there, not at a minimum.
constexpr double kFastestShare = 0.9;  // of the speed of sound
// The microphone is not inside the plane: half a metre is the closest a pass can come, and a fit
// nearer than that has taken a jump in the track for a pass. Beyond a few hundred metres a
// model's engine sinks into the field's noise, and its whole fall would take longer than
// recordings of a pass do (at 300 m and 150 km/h some 30 s): such a fit has taken a slow drift of
// the rpm, or the approach of one sound and the departure of another, for a pass.
constexpr double kNearest = 0.5;     // m
constexpr double kFarthest = 300.0;  // m

// The pass is one sound: the track's piece heard best and the pieces around it that continue it.
// Pieces end where the track leaves a gap or steps in pitch; a piece continues the pass when it
// lies at most kLongestGap away (a burst at the pass may hide the tone that long) at a pitch
// the pass can have moved to meanwhile. What lies farther away or off in pitch is another
// sound: a coder's artefacts in a long quiet lead-in, another engine, a voice.
constexpr double kPieceGap = 0.25;   // s
constexpr double kPieceStep = 0.02;  // relative pitch step between neighbouring points
constexpr double kLongestGap = 4.0;  // s
constexpr double kRpmRise = 0.02;    // how far the pitch may rise across a gap, relative
constexpr double kLoudDb = 12.0;     // a piece weighs with its points' level above this
// A harmonic change: a step in the track of an octave or more, from the second harmonic to the
// fundamental or farther. A pass makes it only at a third of the speed of sound and faster; a
// smaller ratio of two harmonics (3 : 2, 4 : 3) is also the fall of a fast close pass whose
// steepest frames were lost, and stays a pass.
constexpr double kOctave = 0.985 * 2.0;
// A pass never raises the tone, and the rpm not by a step this large: the tone went up to a
// higher harmonic.
constexpr double kLargestRise = 1.25;
constexpr int kMostChanges = 3;  // a tone that changes harmonics more often is not followed
// The fall counts as hidden when one step across a gap makes more than this share of it.
constexpr double kHiddenShare = 0.5;
constexpr double kHiddenSideSeconds = 0.5;  // of track on either side of a hidden fall
constexpr double kEdgeSeconds = 0.2;        // the far ends' pitch: the median over this long

struct Piece {
    size_t first = 0, last = 0;  // indices into the track, inclusive
    double score = 0.0;
};

std::vector<Piece> Pieces(const ToneTrack& track) {
    std::vector<Piece> pieces;
    for (size_t i = 0; i < track.Size(); ++i) {
        const bool starts = i == 0 || track.times[i] - track.times[i - 1] > kPieceGap ||
                            std::fabs(std::log(track.frequencies[i] / track.frequencies[i - 1])) > kPieceStep;
        if (starts) pieces.push_back({i, i, 0.0});
        pieces.back().last = i;
        pieces.back().score += std::max(0.0, track.snrDb[i] - kLoudDb);
    }
    return pieces;
}

// The log ratio of the pitch far before to far after a pass at the top speed: the most a pass
// can lower the tone.
double WidestFall(double soundSpeed, double maxSpeedKmh) {
    const double v = std::min(maxSpeedKmh / 3.6, 0.9 * soundSpeed);
    return std::log((soundSpeed + v) / (soundSpeed - v));
}

ToneTrack PassTrack(const ToneTrack& track, double soundSpeed, double maxSpeedKmh) {
    const std::vector<Piece> pieces = Pieces(track);
    if (pieces.size() <= 1) return track;
    const double widest = WidestFall(soundSpeed, maxSpeedKmh);
    const auto best = static_cast<size_t>(
        std::max_element(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.score < b.score; }) -
        pieces.begin());
    std::vector<bool> keepPiece(pieces.size(), false);
    keepPiece[best] = true;
    // A step from an earlier pitch `from` to a later one `to` that a pass can make, also where
    // the tone changes to a lower harmonic meanwhile.
    const auto continues = [&](double from, double to) {
        for (int apart = 1; apart <= 4; ++apart) {
            const double fall = std::log(from / to / apart), rise = std::log(from / to * apart);
            if ((fall >= -kRpmRise && fall <= widest) || (rise >= -kRpmRise && rise <= widest)) return true;
        }
        return false;
    };
    size_t left = best;
    for (size_t j = best; j-- > 0;) {
        if (track.times[pieces[left].first] - track.times[pieces[j].last] > kLongestGap) break;
        if (!continues(track.frequencies[pieces[j].last], track.frequencies[pieces[left].first])) continue;
        keepPiece[j] = true;
        left = j;
    }
    size_t right = best;
    for (size_t j = best + 1; j < pieces.size(); ++j) {
        if (track.times[pieces[j].first] - track.times[pieces[right].last] > kLongestGap) break;
        if (!continues(track.frequencies[pieces[right].last], track.frequencies[pieces[j].first])) continue;
        keepPiece[j] = true;
        right = j;
    }
    ToneTrack out;
    out.harmonic = track.harmonic;
    out.steadyHz = track.steadyHz;
    for (size_t p = 0; p < pieces.size(); ++p) {
        if (!keepPiece[p]) continue;
        for (size_t i = pieces[p].first; i <= pieces[p].last; ++i) {
            out.times.push_back(track.times[i]);
            out.frequencies.push_back(track.frequencies[i]);
            out.snrDb.push_back(track.snrDb[i]);
            out.levelDb.push_back(track.levelDb[i]);
        }
    }
    return out;
}

// The largest fall from one point of the track to the next, as a log ratio, and where; and the
// largest rise.
struct Step {
    size_t at = 0;  // the point after the step
    double fall = 0.0;
    size_t riseAt = 0;
    double rise = 0.0;
};

Step LargestStep(const ToneTrack& track) {
    Step step;
    for (size_t i = 1; i < track.Size(); ++i) {
        const double fall = std::log(track.frequencies[i - 1] / track.frequencies[i]);
        if (fall > step.fall) step.at = i, step.fall = fall;
        if (-fall > step.rise) step.riseAt = i, step.rise = -fall;
    }
    return step;
}

// The gap in the track around time t: the step from the last point before it to the first after.
Step GapAt(const ToneTrack& track, double t) {
    const auto after = static_cast<size_t>(std::lower_bound(track.times.begin(), track.times.end(), t) -
                                           track.times.begin());
    Step step;
    step.at = std::clamp<size_t>(after, 1, track.Size() - 1);
    step.fall = std::log(track.frequencies[step.at - 1] / track.frequencies[step.at]);
    return step;
}

bool HarmonicChange(const Step& step) {
    return step.fall >= std::log(kOctave) || step.rise >= std::log(kLargestRise);
}

// The ratio of the harmonics heard before and after a harmonic change, as the factor that takes
// the earlier side onto the later harmonic: the only one of 2, 3 and 4 (or their inverses, when
// the tone stepped up to a higher harmonic) that leaves a fall a pass below the top speed can
// make; 0 when none or several do, and which harmonic was heard before cannot be told.
// fall: the step's log ratio, earlier over later (negative for a rise).
double HarmonicsApart(double fall, double widest) {
    double found = 0.0;
    for (int k = 2; k <= 4; ++k) {
        const double factor = fall > 0.0 ? 1.0 / k : static_cast<double>(k);
        const double left = fall + std::log(factor);
        if (left < -kRpmRise || left > widest) continue;
        if (found != 0.0) return 0.0;
        found = factor;
    }
    return found;
}

double MedianOf(std::vector<double> v) {
    auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

// How long the residuals stay alike: the first lag at which their autocorrelation is no longer
// positive, in s.
double CorrelationSeconds(const ToneTrack& track, const std::vector<double>& residuals) {
    const size_t n = residuals.size();
    double variance = 0.0;
    for (double r : residuals) variance += r * r;
    if (n < 2 || variance <= 0.0) return 0.0;
    const double step = (track.times.back() - track.times.front()) / static_cast<double>(n - 1);
    for (size_t lag = 1; lag < n / 2; ++lag) {
        double sum = 0.0;
        for (size_t i = 0; i + lag < n; ++i) sum += residuals[i] * residuals[i + lag];
        if (sum <= 0.0) return static_cast<double>(lag) * step;
    }
    return static_cast<double>(n / 2) * step;
}

// What a side too short to average out the engine's rpm costs: the far pitch the shorter side
// gives is off by about the residuals' spread when the side holds one stretch of residuals alike
// (a quarter of a swing of the rpm), and by less the more of them it holds: the mean of a swing
// over n quarters of it is at most its amplitude over n. The speed follows from the two far
// pitches as c (fa - fr) / (fa + fr). The fit's own sigma sees the wobble over the whole track,
// not that one side holds only a part of one swing of it.
double ShortSideSigma(const ToneTrack& track, const std::vector<double>& fitted, const FlybyModel& m) {
    std::vector<double> residuals(track.Size());
    for (size_t i = 0; i < residuals.size(); ++i) residuals[i] = track.frequencies[i] - fitted[i];
    std::vector<double> magnitudes(residuals.size());
    std::transform(residuals.begin(), residuals.end(), magnitudes.begin(), [](double r) { return std::fabs(r); });
    const double spread = 1.4826 * MedianOf(magnitudes);
    const double tau = std::max(CorrelationSeconds(track, residuals), 1e-3);
    const double heard = m.HeardAtClosest();
    const double side = std::min(heard - track.times.front(), track.times.back() - heard);
    return m.soundSpeed / (2.0 * m.restHz) * spread / std::max(1.0, side / tau);
}


// The log ratio of the pitch at the track's far ends, each the median over kEdgeSeconds.
double EdgeFall(const ToneTrack& track) {
    std::vector<double> early, late;
    for (size_t i = 0; i < track.Size(); ++i) {
        if (track.times[i] <= track.times.front() + kEdgeSeconds) early.push_back(track.frequencies[i]);
        if (track.times[i] >= track.times.back() - kEdgeSeconds) late.push_back(track.frequencies[i]);
    }
    return std::log(MedianOf(early) / MedianOf(late));
}

// The speed that the far ends of the track give by themselves: the pitch far off is the limit
// the track climbs towards, so this is what the sides alone promise at least. (c (a - b) / (a + b)
// for the pitches a and b.)
double EdgeSpeed(const ToneTrack& track, double soundSpeed) {
    return soundSpeed * std::tanh(0.5 * EdgeFall(track));
}

double RmsResidual(const ToneTrack& track, const FlybyModel& m) {
    double sum = 0.0;
    for (size_t i = 0; i < track.Size(); ++i) {
        const double r = track.frequencies[i] - m.FrequencyAt(track.times[i]);
        sum += r * r;
    }
    return std::sqrt(sum / static_cast<double>(std::max<size_t>(track.Size(), 1)));
}

// What a hidden fall costs: the distance shows only in the fall, and the speed the sides give
// depends on how far the fit lets them bend towards it. The fit again with the distance held at
// each of a row of distances, from the nearest a pass may come to the farthest whose fall still
// fits into the gap (the pitch falls from a cosine of -0.9 to 0.9 in 4.1 d / v), as far as the
// sides bear it (the residuals grow by at most a tenth); and the speed the sides' far ends give
// by themselves: half the range of these speeds and the fit's.
double HiddenFallSigma(const ToneTrack& track, const Step& step, const FlybyFit& fit, double soundSpeed) {
    constexpr double kBorne = 1.1;
    const double gap = track.times[step.at] - track.times[step.at - 1];
    const double farthest = std::max(kNearest, fit.model.speed * gap / 4.1);
    const double borne = kBorne * RmsResidual(track, fit.model);
    double lowest = std::min(fit.model.speed, EdgeSpeed(track, soundSpeed)), highest = fit.model.speed;
    for (double distance = kNearest; distance < 2.0 * farthest; distance *= 2.0) {
        const FlybyFit held =
            FitFlyby(track.times, track.frequencies, soundSpeed, std::min(distance, farthest));
        if (!held.converged || RmsResidual(track, held.model) > borne) continue;
        lowest = std::min(lowest, held.model.speed);
        highest = std::max(highest, held.model.speed);
    }
    return 0.5 * (highest - lowest);
}

// Where the model says a side has reached its far value (within kReachedShare of the shift
// from the rest tone), the tone the track holds there is that far value as the engine gave it.
// A straight flight at constant speed is an idealisation: a car's road bends, a pilot eases the
// throttle, and the fit, pulled by the fall, may miss a plateau the track holds for seconds.
constexpr double kReachedShare = 0.02;
constexpr size_t kFewestOnPlateau = 15;
constexpr double kShortestPlateau = 0.5;     // s
constexpr double kIndependentSeconds = 0.25;  // the rpm's wander makes neighbouring points alike
constexpr double kPlateauSigmas = 3.0;

struct Plateau {
    double fromS = 0.0, toS = 0.0;  // where the track holds it
    double hz = 0.0;
    double spread = 0.0;  // of the points about it (robust standard deviation)
    double standardError = 0.0;
    // The far tone's uncertainty from a drift along the plateau that its scatter does not
    // explain (see FarPlateau): a source whose tone or speed drifts holds no one far value, and
    // which part of the plateau is read moves the speed.
    double drift = 0.0;
    // How well the plateau's level is known where the tone wanders: the standard error of the
    // medians of its stretches of a second or a whole swing of the residuals (batch means), with
    // neighbouring stretches that are alike (a trend, a slow swing) counted as fewer. A tone that
    // wanders for seconds moves these as it moves the far tone, where the points' own scatter
    // stops being alike after a few frames and sees none of it.
    double wander = 0.0;
};

constexpr double kBatchSeconds = 1.0;
constexpr size_t kFewestBatches = 4;
constexpr size_t kFewestInBatch = 3;

double BatchMeansError(const std::vector<double>& values, const std::vector<double>& times, double batchSeconds) {
    std::vector<double> centres, batch;
    double start = times.front();
    for (size_t i = 0; i <= values.size(); ++i) {
        if (i == values.size() || times[i] >= start + batchSeconds) {
            if (batch.size() >= kFewestInBatch) centres.push_back(MedianOf(batch));  // robust as the plateau's own
            if (i == values.size()) break;
            batch.clear();
            start = times[i];
        }
        batch.push_back(values[i]);
    }
    if (centres.size() < kFewestBatches) return 0.0;
    const double k = static_cast<double>(centres.size());
    double mean = 0.0, squares = 0.0, lagged = 0.0;
    for (double m : centres) mean += m / k;
    for (double m : centres) squares += (m - mean) * (m - mean);
    for (size_t i = 1; i < centres.size(); ++i) lagged += (centres[i] - mean) * (centres[i - 1] - mean);
    // Neighbouring batches alike (a trend, a slow swing) count as fewer independent ones.
    const double alike = std::clamp(squares > 0.0 ? lagged / squares : 0.0, 0.0, 0.99);
    const double independent = std::max(1.0, k * (1.0 - alike) / (1.0 + alike));
    return std::sqrt(squares / (k - 1.0) / independent);
}

// A robust median and the standard error of it for points whose rpm wander makes neighbours
// alike: the points spanning `seconds` count as one independent point per `alikeSeconds`.
// The mean too, of the points within kClipSpreads of the median: a wobble of the rpm crowds its
// points at its extremes, and a median over a part of a swing lands on one of them.
constexpr double kClipSpreads = 3.0;
// A sine's values stop being alike after a quarter of its period: a whole swing is four times that.
constexpr double kSwingsPerAlike = 4.0;

struct Centre {
    double median = 0.0, mean = 0.0, spread = 0.0, standardError = 0.0;
};

Centre CentreOf(const std::vector<double>& values, double seconds, double alikeSeconds) {
    Centre c;
    c.median = MedianOf(values);
    std::vector<double> deviations(values.size());
    std::transform(values.begin(), values.end(), deviations.begin(), [&](double r) { return std::fabs(r - c.median); });
    const double independent = std::max(1.0, seconds / alikeSeconds);
    c.spread = 1.4826 * MedianOf(deviations);
    c.standardError = 1.2533 * c.spread / std::sqrt(independent);
    double sum = 0.0;
    int count = 0;
    for (double v : values)
        if (std::fabs(v - c.median) <= kClipSpreads * c.spread) sum += v, ++count;
    c.mean = count > 0 ? sum / count : c.median;
    return c;
}

// alikeSeconds: how long the track's residuals stay alike, for the plateau's halves.
std::optional<Plateau> FarPlateau(const ToneTrack& track, const FlybyModel& m, bool approach, double alikeSeconds) {
    const double far = approach ? m.ApproachHz() : m.RecedeHz();
    const double reach = kReachedShare * std::fabs(far - m.restHz);
    // The track against the fit where the fit has (nearly) reached its far value: what is left
    // over there moves the far value.
    std::vector<double> left, times;
    for (size_t i = 0; i < track.Size(); ++i) {
        if ((m.CosineAt(track.times[i]) < 0.0) != approach) continue;
        const double fitted = m.FrequencyAt(track.times[i]);
        if (std::fabs(fitted - far) > reach) continue;
        left.push_back(track.frequencies[i] - fitted);
        times.push_back(track.times[i]);
    }
    if (left.size() < kFewestOnPlateau || times.back() - times.front() < kShortestPlateau) return std::nullopt;
    const Centre whole = CentreOf(left, times.back() - times.front(), kIndependentSeconds);
    Plateau plateau;
    plateau.fromS = times.front();
    plateau.toS = times.back();
    plateau.hz = far + whole.median;
    plateau.spread = whole.spread;
    plateau.standardError = whole.standardError;
    // Points of another line on the plateau (an echo, a foreign tone) stay out of the batches.
    std::vector<double> held, heldTimes;
    for (size_t i = 0; i < left.size(); ++i)
        if (std::fabs(left[i] - whole.median) <= kClipSpreads * whole.spread) held.push_back(left[i]), heldTimes.push_back(times[i]);
    if (!held.empty()) plateau.wander = BatchMeansError(held, heldTimes, std::max(kBatchSeconds, kSwingsPerAlike * alikeSeconds));
    const double middle = 0.5 * (times.front() + times.back());
    const auto split = std::lower_bound(times.begin(), times.end(), middle) - times.begin();
    const Centre early = CentreOf({left.begin(), left.begin() + split}, middle - times.front(), alikeSeconds);
    const Centre late = CentreOf({left.begin() + split, left.end()}, times.back() - middle, alikeSeconds);
    // Two readings of the far tone, each from half the plateau: the standard error of their mean
    // is half their difference beyond what their own scatter explains. A half shorter than a
    // whole swing of the residuals (four times the lag at which they stop being alike) cannot
    // tell a drift from a part of a swing, which the whole plateau averages out; a short side's
    // wander is ShortSideSigma's.
    if (middle - times.front() < kSwingsPerAlike * alikeSeconds) return plateau;
    const double apart = early.mean - late.mean;
    plateau.drift = 0.5 * std::sqrt(std::max(0.0, apart * apart - early.standardError * early.standardError -
                                                      late.standardError * late.standardError));
    return plateau;
}

// A far tone as the plateau gives it, how well it is known, and how far the fit's may lie from it
// before the plateau wins.
struct FarReading {
    double hz = 0.0;
    double standardError = 0.0;
    double tolerance = 0.0;
};

// The track's frames hold fewer of a low tone's periods than this, and its pitch there can be
// off by a tenth of a percent (where the tone sits between the frames' bins), which a Doppler
// shift of a few percent turns into a percent of the speed: such a plateau is read again in
// long blocks.
constexpr double kFewestFramePeriods = 40.0;
constexpr size_t kFewestBlocks = 3;

// The plateau's far tone: a low tone's in long blocks over where the track holds it, each block
// against the fit at its time (the plateau still creeps towards its far value), averaged as a
// wobble's extremes ask (see CentreOf); the fit stands where it lies within three standard
// errors of that. Otherwise, or with fewer than kFewestBlocks blocks, the track's median, and
// the fit stands within three times the points' scatter.
FarReading ReadFarTone(const Recording& recording, const FlybyModel& m, const Plateau& plateau, bool approach) {
    const double far = approach ? m.ApproachHz() : m.RecedeHz();
    const double framePeriods = m.restHz * FrameLengthFor(recording.sampleRate, SpectrogramShape{}) / recording.sampleRate;
    const std::vector<BlockTone> blocks = framePeriods < kFewestFramePeriods
                                              ? ToneInLongBlocks(recording, plateau.fromS, plateau.toS, plateau.hz)
                                              : std::vector<BlockTone>{};
    if (blocks.size() < kFewestBlocks) return {plateau.hz, plateau.standardError, kPlateauSigmas * plateau.spread};
    std::vector<double> left(blocks.size());
    std::transform(blocks.begin(), blocks.end(), left.begin(), [&](const BlockTone& b) { return b.hz - m.FrequencyAt(b.seconds); });
    const Centre c = CentreOf(left, static_cast<double>(left.size()), 1.0);
    return {far + c.mean, c.standardError, kPlateauSigmas * c.standardError};
}

// The speed's uncertainty from uncertainties of the far tones a and r: the speed is
// c (a - r) / (a + r).
double FarToneSigma(double soundSpeed, double fa, double fr, double sigmaA, double sigmaR) {
    return 2.0 * soundSpeed * std::hypot(fr * sigmaA, fa * sigmaR) / ((fa + fr) * (fa + fr));
}

// The fit's far tones against the plateaus the track holds. A plateau that drifts or wanders
// leaves the far tone as uncertain as its halves or its seconds disagree, and the fit's
// residuals, alike for seconds, cannot show that: the "±" owns it. Where the fit lies farther
// from a plateau's reading than ReadFarTone allows, the plateaus (where the track has them) give
// the speed, and its "±" owns their own uncertainty and half the difference from the fit's.
void TrustThePlateaus(AutoSpeed& result, const Recording& recording, double soundSpeed) {
    const FlybyModel& m = result.model;
    std::vector<double> residuals(result.track.Size());
    for (size_t i = 0; i < residuals.size(); ++i) residuals[i] = result.track.frequencies[i] - result.fittedHz[i];
    const double alike = std::max(CorrelationSeconds(result.track, residuals), 1e-3);
    const std::optional<Plateau> before = FarPlateau(result.track, m, true, alike);
    const std::optional<Plateau> after = FarPlateau(result.track, m, false, alike);
    const double driftA = before ? std::hypot(before->drift, before->wander) : 0.0;
    const double driftR = after ? std::hypot(after->drift, after->wander) : 0.0;
    result.sigmaKmh = std::hypot(result.sigmaKmh, FarToneSigma(soundSpeed, m.ApproachHz(), m.RecedeHz(), driftA, driftR) * 3.6);
    std::optional<FarReading> readA, readR;
    if (before) readA = ReadFarTone(recording, m, *before, true);
    if (after) readR = ReadFarTone(recording, m, *after, false);
    const auto off = [](const std::optional<FarReading>& r, double far) { return r && std::fabs(r->hz - far) > r->tolerance; };
    if (!off(readA, m.ApproachHz()) && !off(readR, m.RecedeHz())) return;
    const double fa = readA ? readA->hz : m.ApproachHz(), fr = readR ? readR->hz : m.RecedeHz();
    const double speed = soundSpeed * (fa - fr) / (fa + fr);
    const double errorA = readA ? readA->standardError : 0.0, errorR = readR ? readR->standardError : 0.0;
    const double plateauSigma = FarToneSigma(soundSpeed, fa, fr, errorA, errorR);
    result.sigmaKmh = std::hypot(result.sigmaKmh, plateauSigma * 3.6, 0.5 * (speed - m.speed) * 3.6);
    result.speedKmh = speed * 3.6;
    result.approachFrequencyHz = fa;
    result.recedeFrequencyHz = fr;
}

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

// The track's first point at or after t: the points before it lie on the approach side.
size_t FirstHeardAfter(const ToneTrack& track, double t) {
    return static_cast<size_t>(std::lower_bound(track.times.begin(), track.times.end(), t) - track.times.begin());
}

// Enough of the track before and after the moment the pass is heard, reaching far enough out.
bool BothSidesHeard(const ToneTrack& track, const FlybyModel& model) {
    const double heard = model.HeardAtClosest();
    const size_t split = FirstHeardAfter(track, heard);
    const size_t before = split, after = track.Size() - split;
    if (before < kFewestPerSide || after < kFewestPerSide) return false;
    if (heard - track.times.front() < kShortestSide || track.times.back() - heard < kShortestSide)
        return false;
    return model.CosineAt(track.times.front()) <= -kSideCosine &&
           model.CosineAt(track.times.back()) >= kSideCosine;
}

// The tone's level along the track against the loudness its fit implies. Heard at t, a source d
// metres off at speed v is about hypot(d, v (t - heard)) away, its level falling as 20 log10 of
// that. The level near the pass (where the track comes nearest it) is compared with the level
// kFarSeconds before and after: a fit within a metre whose tone does not soar by tens of dB
// joined two sounds, a fit far off whose tone peaks far more sharply than that distance allows
// took something else for the fall. Each side is judged by how far it exceeds the rise the fit
// implies (negative: it falls short of it); the harmonics' balance may turn along the pass by
// tens of dB, so a fit is refused only where both sides are heard and agree.
constexpr double kFarSeconds = 2.0;
constexpr double kLevelSeconds = 0.15;  // either side: the median level of a point's neighbours
constexpr size_t kFewestLevels = 5;
constexpr double kLoudnessSlackDb = 20.0;

std::optional<double> LevelNear(const ToneTrack& track, double t) {
    std::vector<double> levels;
    for (size_t i = 0; i < track.Size(); ++i)
        if (std::fabs(track.times[i] - t) <= kLevelSeconds) levels.push_back(track.levelDb[i]);
    if (levels.size() < kFewestLevels) return std::nullopt;
    return MedianOf(levels);
}

bool LoudAsItsDistance(const ToneTrack& track, const FlybyModel& m) {
    const double heard = m.HeardAtClosest();
    const auto nearest = std::min_element(track.times.begin(), track.times.end(), [&](double a, double b) {
        return std::fabs(a - heard) < std::fabs(b - heard);
    });
    if (nearest == track.times.end()) return true;
    const double tNear = *nearest;
    const std::optional<double> near = LevelNear(track, tNear);
    if (!near) return true;
    const auto distance = [&](double t) { return std::hypot(m.distance, m.speed * (t - heard)); };
    double most = -1e9, least = 1e9;
    for (const double side : {-1.0, 1.0}) {
        const double tFar = heard + side * kFarSeconds;
        const std::optional<double> far = LevelNear(track, tFar);
        if (!far) return true;
        const double excess = (*near - *far) - 20.0 * std::log10(distance(tFar) / distance(tNear));
        most = std::max(most, excess), least = std::min(least, excess);
    }
    return most >= -kLoudnessSlackDb && least <= kLoudnessSlackDb;
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

// The middle of the recording's loudest half second (all channels' power, in quarter-second
// steps), s from its start: where a pass in it is heard, or the edge it lies beyond.
double LoudestSeconds(const Recording& recording) {
    const auto block = static_cast<int64_t>(std::max(1, recording.sampleRate / 4));
    const int64_t blocks = recording.FrameCount() / block;
    std::vector<double> power(static_cast<size_t>(blocks), 0.0);
    for (const std::vector<int16_t>& channel : recording.channels)
        for (int64_t b = 0; b < blocks; ++b)
            for (int64_t i = b * block; i < (b + 1) * block; ++i)
                power[static_cast<size_t>(b)] += static_cast<double>(channel[static_cast<size_t>(i)]) * channel[static_cast<size_t>(i)];
    double loudest = -1.0, at = 0.5 * recording.Seconds();
    for (int64_t b = 0; b + 1 < blocks; ++b) {
        const double sum = power[static_cast<size_t>(b)] + power[static_cast<size_t>(b + 1)];
        if (sum > loudest) loudest = sum, at = static_cast<double>((b + 1) * block) / recording.sampleRate;
    }
    return at;
}

// Why a pass whose sides the track does not both reach is refused. The recording holds only the
// approach or only the departure where it is loudest at its start or its end, or where the pass
// is heard inside it but the recording itself does not reach far enough on one side. A pass
// loudest in the middle whose track still misses a side was not fitted by a pass the track can
// carry (a band quiet on one side, one sound before and another after).
constexpr double kLoudEdgeSeconds = 1.0;

AutoSpeedRefusal OneSideMissing(const FlybyModel& m, double recordingS, double loudestS) {
    if (loudestS < kLoudEdgeSeconds || loudestS > recordingS - kLoudEdgeSeconds) return AutoSpeedRefusal::kHalfPass;
    const double heard = m.HeardAtClosest();
    const bool cut = m.CosineAt(0.0) > -kSideCosine || m.CosineAt(recordingS) < kSideCosine;
    return heard > 0.0 && heard < recordingS && cut ? AutoSpeedRefusal::kHalfPass : AutoSpeedRefusal::kNoFit;
}

// Where the fall is hidden, only the sides tell that the track is one sound. A pass moves the
// tone smoothly: between neighbouring points the pitch steps and stays there only where the
// fall is that steep. A step that holds for kHeldPoints either side, that the fitted curve does
// not take there, and that splits its side of the pass into two parts of at least kSplitShare
// each, went from one line to another (three hits of a drum, the first two before a burst, are
// no pass). A single point off the line, a low tone's jitter, or a few frames of another sound
// at a side's end, which the fit leaves aside, hold no such step.
constexpr size_t kHeldPoints = 5;
constexpr double kUnfollowedShare = 0.5;  // of a step, the most the fit may take and leave it unexplained
constexpr double kSplitShare = 0.25;

bool StepsOffTheCurve(const ToneTrack& track, const FlybyModel& m) {
    const size_t n = track.Size();
    const size_t split = FirstHeardAfter(track, m.HeardAtClosest());
    const auto median = [&](size_t from) {
        return MedianOf(std::vector<double>(track.frequencies.begin() + static_cast<std::ptrdiff_t>(from),
                                            track.frequencies.begin() + static_cast<std::ptrdiff_t>(from + kHeldPoints)));
    };
    for (size_t i = kHeldPoints; i + kHeldPoints <= n; ++i) {
        if (std::fabs(std::log(track.frequencies[i] / track.frequencies[i - 1])) <= kPieceStep) continue;
        if (track.times[i + kHeldPoints - 1] - track.times[i - kHeldPoints] > 2.0 * kPieceGap) continue;
        const double held = std::log(median(i) / median(i - kHeldPoints));
        if (std::fabs(held) <= kPieceStep) continue;
        const double fitted = std::log(m.FrequencyAt(track.times[i + kHeldPoints / 2]) /
                                       m.FrequencyAt(track.times[i - 1 - kHeldPoints / 2]));
        if (std::fabs(fitted) >= kUnfollowedShare * std::fabs(held)) continue;
        const bool before = i < split;
        const size_t side = before ? split : n - split;
        const size_t first = before ? i : i - split, second = side - first;
        if (static_cast<double>(std::min(first, second)) >= kSplitShare * static_cast<double>(side)) return true;
    }
    return false;
}

// hidden: the fall lies in a gap of the track, seen only from its two sides; they must then be
// long enough to carry it, and the distance, which shows only in the fall, is not judged.
AutoSpeedRefusal Judge(const Recording& recording, const ToneTrack& track, const FlybyFit& fit,
                       const AutoSpeed& result, double maxSpeedKmh, const Step* hidden) {
    if (!fit.converged) return AutoSpeedRefusal::kNoFit;
    if (!BothSidesHeard(track, fit.model))
        return OneSideMissing(fit.model, recording.Seconds(), LoudestSeconds(recording));
    if (hidden) {
        if (track.times[hidden->at - 1] - track.times.front() < kHiddenSideSeconds ||
            track.times.back() - track.times[hidden->at] < kHiddenSideSeconds)
            return AutoSpeedRefusal::kNoFall;
        if (StepsOffTheCurve(track, fit.model)) return AutoSpeedRefusal::kNoFit;
    } else if (!FallSeen(track, fit.model)) {
        return AutoSpeedRefusal::kNoFall;
    }
    const FlybyModel& m = fit.model;
    if (!(m.speed < kFastestShare * m.soundSpeed && (hidden || m.distance >= kNearest) && m.distance <= kFarthest))
        return AutoSpeedRefusal::kUnphysical;
    if (!LoudAsItsDistance(track, m)) return AutoSpeedRefusal::kUnphysical;
    if (result.speedKmh > maxSpeedKmh) return AutoSpeedRefusal::kAboveTopSpeed;
    if (!(result.sigmaKmh <= kLargestRelativeSigma * result.speedKmh)) return AutoSpeedRefusal::kUncertain;
    return AutoSpeedRefusal::kNone;
}

// A band missing on one side of the pass: the recording's level below kLowBandHz differs from
// one side to the other by kMissingDb and by kMissingBeyondDb more than the level above it (up to
// kAboveBandHz) does. An engine's low roar may be louder behind it than ahead of it, but not by
// that much more than the rest of its sound; a clip cut or filtered differently on each side is.
// A track that joins a line on one side to another line on the other across such a band's edge
// (a line at 150 Hz before, one at 107 Hz after) is no pass, and saying that it fits none hides
// why.
constexpr double kLowBandHz = 110.0;
constexpr double kAboveBandHz = 1000.0;
constexpr double kMissingDb = 15.0;
constexpr double kMissingBeyondDb = 10.0;
constexpr double kBandSideGap = 1.0;  // s either side of the pass left out
// Each side this long at least, so that a burst of wind on a short side is not taken for its band.
constexpr double kBandSideSeconds = 2.0;

struct BandLevels {
    std::vector<double> times, lowDb, aboveDb;
};

BandLevels LevelsOfBands(const FullSpectrogram& s) {
    BandLevels levels;
    const auto low = static_cast<int32_t>(kLowBandHz / s.BinHz());
    const auto above = std::min(s.binCount, static_cast<int32_t>(kAboveBandHz / s.BinHz()));
    for (int32_t f = 0; f < s.frameCount; ++f) {
        const float* row = s.Row(f);
        double lowPower = 1e-12, abovePower = 1e-12;
        for (int32_t b = 1; b < std::min(low, above); ++b) lowPower += row[b];
        for (int32_t b = low; b < above; ++b) abovePower += row[b];
        levels.times.push_back(s.FrameTime(f));
        levels.lowDb.push_back(10.0 * std::log10(lowPower));
        levels.aboveDb.push_back(10.0 * std::log10(abovePower));
    }
    return levels;
}

bool BandMissingOnOneSide(const BandLevels& levels, double passS) {
    std::vector<double> lowBefore, lowAfter, aboveBefore, aboveAfter;
    for (size_t i = 0; i < levels.times.size(); ++i) {
        if (levels.times[i] < passS - kBandSideGap) lowBefore.push_back(levels.lowDb[i]), aboveBefore.push_back(levels.aboveDb[i]);
        if (levels.times[i] > passS + kBandSideGap) lowAfter.push_back(levels.lowDb[i]), aboveAfter.push_back(levels.aboveDb[i]);
    }
    const auto seconds = [&](const std::vector<double>& side) {
        return static_cast<double>(side.size()) * (levels.times.size() > 1 ? levels.times[1] - levels.times[0] : 0.0);
    };
    if (seconds(lowBefore) < kBandSideSeconds || seconds(lowAfter) < kBandSideSeconds) return false;
    const double lowStep = MedianOf(lowAfter) - MedianOf(lowBefore);
    const double aboveStep = MedianOf(aboveAfter) - MedianOf(aboveBefore);
    return std::fabs(lowStep) >= kMissingDb && std::fabs(lowStep - aboveStep) >= kMissingBeyondDb;
}

// Refusals for a course that is no pass: the ones a band missing on one side explains.
bool CourseRefused(AutoSpeedRefusal refusal) {
    return refusal == AutoSpeedRefusal::kNoFit || refusal == AutoSpeedRefusal::kUnphysical ||
           refusal == AutoSpeedRefusal::kUncertain || refusal == AutoSpeedRefusal::kHarmonicChange ||
           refusal == AutoSpeedRefusal::kNoFall;
}

// EstimateSpeed's measurement of the tone's track, once the recording holds sound.
AutoSpeed EstimateFromTrack(const Recording& recording, double temperatureC, double maxSpeedKmh, AutoSpeed result) {
    // A tone that never moves is no pass, though it is a tone.
    result.refusal = result.track.steadyHz > 0.0 ? AutoSpeedRefusal::kNoPass : AutoSpeedRefusal::kNoTone;
    if (result.track.Size() < kFewestPoints) {
        // A line held throughout, which the track leaves out as background: it stays, no pass.
        if (result.refusal == AutoSpeedRefusal::kNoTone && HoldsLine(recording)) result.refusal = AutoSpeedRefusal::kNoPass;
        return result;
    }
    result.track = PassTrack(result.track, SpeedOfSound(temperatureC), maxSpeedKmh);
    if (result.track.Size() < kFewestPoints) return result;
    result.refusal = AutoSpeedRefusal::kNoPass;
    if (!Moves(result.track)) return result;
    const double soundSpeed = SpeedOfSound(temperatureC);
    // The tone heard on a higher harmonic before a step than after it: the track follows the
    // later harmonic throughout where only one ratio of harmonics leaves a possible pass.
    Step step = LargestStep(result.track);
    for (int change = 0; HarmonicChange(step); ++change) {
        result.refusal = AutoSpeedRefusal::kHarmonicChange;
        const bool rose = step.rise >= std::log(kLargestRise);
        const double factor =
            HarmonicsApart(rose ? -step.rise : step.fall, WidestFall(soundSpeed, maxSpeedKmh));
        if (factor == 0.0 || change == kMostChanges) return result;
        for (size_t i = 0; i < (rose ? step.riseAt : step.at); ++i) result.track.frequencies[i] *= factor;
        step = LargestStep(result.track);
    }
    if (!Moves(result.track)) return result;
    // The same change where the track slid from one harmonic to the other over a few frames: the
    // track falls by an octave or more from end to end.
    if (EdgeFall(result.track) >= std::log(kOctave)) {
        result.refusal = AutoSpeedRefusal::kHarmonicChange;
        return result;
    }
    FlybyFit fit = FitFlyby(result.track.times, result.track.frequencies, soundSpeed);
    // A fall hidden in a gap leaves the distance free, and the fit may slide towards the nearest
    // it may try: held at a distance between the nearest a pass comes and the farthest whose fall
    // fits into the gap, it finds the speed the sides give.
    if (!fit.converged && step.at > 0 && step.fall > kHiddenShare * EdgeFall(result.track)) {
        const double gap = result.track.times[step.at] - result.track.times[step.at - 1];
        const double farthest = std::max(kNearest, EdgeSpeed(result.track, soundSpeed) * gap / 4.1);
        fit = FitFlyby(result.track.times, result.track.frequencies, soundSpeed, std::sqrt(kNearest * farthest));
    }
    Describe(fit, temperatureC, result);
    // One step that makes most of the fall: the fall itself was not heard, only the two sides.
    if (fit.converged) result.sigmaKmh = std::hypot(result.sigmaKmh, ShortSideSigma(result.track, result.fittedHz, fit.model) * 3.6);
    // The fall is hidden where one step across it makes most of it, or where the track holds too
    // little of it; the gap is then that step, or the one where the pass is heard.
    std::optional<Step> hidden;
    if (fit.converged && step.fall > kHiddenShare * std::log(fit.model.ApproachHz() / fit.model.RecedeHz()) &&
        fit.model.CosineAt(result.track.times[step.at - 1]) <= kFallCosine &&
        fit.model.CosineAt(result.track.times[step.at]) >= -kFallCosine)
        hidden = step;
    else if (fit.converged && !FallSeen(result.track, fit.model))
        hidden = GapAt(result.track, fit.model.HeardAtClosest());
    if (hidden)
        result.sigmaKmh = std::hypot(result.sigmaKmh, HiddenFallSigma(result.track, *hidden, fit, soundSpeed) * 3.6);
    if (fit.converged) TrustThePlateaus(result, recording, soundSpeed);
    result.refusal = Judge(recording, result.track, fit, result, maxSpeedKmh, hidden ? &*hidden : nullptr);
    // A refused fit slower than a held line wanders, where a line is held throughout: the source
    // stayed where it was (a hovering rotor), and its wander is no pass.
    const bool slowRefused = result.refusal == AutoSpeedRefusal::kUncertain || result.refusal == AutoSpeedRefusal::kNoFit ||
                             result.refusal == AutoSpeedRefusal::kUnphysical || result.refusal == AutoSpeedRefusal::kHalfPass;
    if (slowRefused && result.speedKmh < kHeldLineWander * soundSpeed * 3.6 && HoldsLine(recording))
        result.refusal = AutoSpeedRefusal::kNoPass;
    return result;
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
    FullSpectrogram spectrogram = ComputeFullSpectrogram(recording);
    const BandLevels bands = LevelsOfBands(spectrogram);
    result.track = TrackTone(std::move(spectrogram));
    result = EstimateFromTrack(recording, temperatureC, maxSpeedKmh, std::move(result));
    if (CourseRefused(result.refusal)) {
        const bool fitted = result.model.restHz > 0.0;
        const double passS = fitted ? result.model.HeardAtClosest() : LoudestSeconds(recording);
        if (BandMissingOnOneSide(bands, passS)) result.refusal = AutoSpeedRefusal::kBandMissing;
    }
    return result;
}

void AddUncertainty(AutoSpeed& speed, double sigmaKmh) {
    if (!speed.Answered()) return;
    speed.sigmaKmh = std::hypot(speed.sigmaKmh, sigmaKmh);
    if (!(speed.sigmaKmh <= kLargestRelativeSigma * speed.speedKmh)) speed.refusal = AutoSpeedRefusal::kUncertain;
}

}  // namespace pirolex
