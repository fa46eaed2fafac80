#include "tone_track.h"

#include "harmonic_salience.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <utility>

namespace pirolex {

namespace {

// Ridge costs in salience units (dB summed over harmonics). Falling is what a pass does, so it
// is cheap and may be fast; rising only comes from the engine's rpm and stays small.
constexpr float kFallCostPerCell = 0.3f;
constexpr float kRiseCostOneCell = 4.0f;
constexpr float kRiseCostTwoCells = 12.0f;

constexpr double kHarmonicDb = 8.0;        // a harmonic's peak counts from here above the floor
constexpr double kHeardDb = 10.0;          // a frame has the tone when one harmonic reaches this
constexpr double kSearchFraction = 0.006;  // peak search around k g, relative: two grid cells and more
constexpr double kMemberShare = 0.3;       // a harmonic belongs to the tone when heard this often
constexpr int32_t kMedianHalf = 4;
constexpr double kOutlierFraction = 0.004;
constexpr int32_t kShortestRun = 6;        // frames, ~70 ms
constexpr int32_t kLargestGap = 2;         // frames that may be missing inside a run
constexpr float kSteadyLevel = 10.0f;      // salience (dB) of a tone that is always there

using HarmonicPeaks = std::array<double, kSalienceHarmonics>;

struct FramePeaks {
    HarmonicPeaks hz{};   // interpolated peak of harmonic k + 1, 0 when none
    HarmonicPeaks snr{};  // its whitened level, dB
};

// The best path through the salience, one cell per frame.
std::vector<int32_t> Ridge(const Salience& s) {
    const int32_t cells = s.grid.cells;
    std::vector<int16_t> from(static_cast<size_t>(s.frameCount) * static_cast<size_t>(cells));
    std::vector<float> score(s.Row(0), s.Row(0) + cells), next(static_cast<size_t>(cells));
    for (int32_t n = 1; n < s.frameCount; ++n) {
        int16_t* back = from.data() + static_cast<size_t>(n) * static_cast<size_t>(cells);
        // Best arrival by falling onto cell j from any cell above it, swept from the top.
        float fallScore = -1e30f;
        int32_t fallFrom = cells - 1;
        for (int32_t j = cells - 1; j >= 0; --j) {
            float best = score[static_cast<size_t>(j)];
            int32_t arg = j;
            if (fallScore > best) best = fallScore, arg = fallFrom;
            if (j >= 1 && score[static_cast<size_t>(j - 1)] - kRiseCostOneCell > best)
                best = score[static_cast<size_t>(j - 1)] - kRiseCostOneCell, arg = j - 1;
            if (j >= 2 && score[static_cast<size_t>(j - 2)] - kRiseCostTwoCells > best)
                best = score[static_cast<size_t>(j - 2)] - kRiseCostTwoCells, arg = j - 2;
            next[static_cast<size_t>(j)] = best + s.Row(n)[j];
            back[j] = static_cast<int16_t>(arg);
            if (score[static_cast<size_t>(j)] > fallScore) fallScore = score[static_cast<size_t>(j)], fallFrom = j;
            fallScore -= kFallCostPerCell;
        }
        score.swap(next);
    }
    std::vector<int32_t> path(static_cast<size_t>(s.frameCount));
    path.back() = static_cast<int32_t>(std::max_element(score.begin(), score.end()) - score.begin());
    for (int32_t n = s.frameCount - 1; n > 0; --n)
        path[static_cast<size_t>(n - 1)] = from[static_cast<size_t>(n) * static_cast<size_t>(cells) +
                                                static_cast<size_t>(path[static_cast<size_t>(n)])];
    return path;
}

// The strongest bin near hz, its frequency interpolated by a parabola through the log powers of
// it and its neighbours (for a Hann window a close fit to the peak's true shape).
void FindPeak(const WhitenedSpectrogram& w, int32_t frame, double hz, double& peakHz, double& snrDb) {
    peakHz = 0.0;
    snrDb = -1e9;
    const double binHz = w.layout.BinHz(), centre = hz / binHz;
    const double half = std::max(2.0, std::ceil(hz * kSearchFraction / binHz));
    const auto first = std::max<int32_t>(1, static_cast<int32_t>(std::floor(centre - half)));
    const auto last = std::min<int32_t>(w.layout.binCount - 2, static_cast<int32_t>(std::ceil(centre + half)));
    if (first > last) return;
    const float* level = w.Row(frame);
    const int32_t b = static_cast<int32_t>(std::max_element(level + first, level + last + 1) - level);
    const double l = w.PowerDb(frame, b - 1), c = w.PowerDb(frame, b), r = w.PowerDb(frame, b + 1);
    if (l > c || r > c) return;
    const double curvature = l - 2.0 * c + r;
    const double delta = curvature < 0.0 ? std::clamp(0.5 * (l - r) / curvature, -0.5, 0.5) : 0.0;
    peakHz = (b + delta) * binHz;
    snrDb = level[b];
}

std::vector<FramePeaks> PeaksAlong(const WhitenedSpectrogram& w, const LogGrid& grid, const std::vector<int32_t>& ridge) {
    std::vector<FramePeaks> peaks(ridge.size());
    const double highest = 0.95 * 0.5 * w.layout.sampleRate;
    for (int32_t n = 0; n < static_cast<int32_t>(ridge.size()); ++n) {
        const double base = grid.Hz(ridge[static_cast<size_t>(n)]);
        for (int k = 1; k <= kSalienceHarmonics && k * base < highest; ++k) {
            FramePeaks& p = peaks[static_cast<size_t>(n)];
            FindPeak(w, n, k * base, p.hz[static_cast<size_t>(k - 1)], p.snr[static_cast<size_t>(k - 1)]);
        }
    }
    return peaks;
}

// The harmonics (1-based, of the ridge's base) heard often enough to belong to the tone. When
// they all are multiples of one number, the ridge ran on a sub-harmonic of the tone.
struct Members {
    std::vector<int> harmonics;
    int lowestCommon = 1;  // their greatest common divisor
    int best = 1;          // the one heard best
};

Members ToneMembers(const std::vector<FramePeaks>& peaks) {
    std::array<int, kSalienceHarmonics> heard{};
    std::array<double, kSalienceHarmonics> energy{};
    int frames = 0;
    for (const FramePeaks& p : peaks) {
        const double top = *std::max_element(p.snr.begin(), p.snr.end());
        if (top < kHeardDb) continue;
        ++frames;
        for (size_t k = 0; k < p.snr.size(); ++k) {
            if (p.snr[k] < kHarmonicDb) continue;
            ++heard[k];
            energy[k] += std::pow(10.0, 0.1 * std::min(p.snr[k], 60.0));
        }
    }
    Members m;
    double bestEnergy = -1.0;
    int divisor = 0;
    for (int k = 1; k <= kSalienceHarmonics; ++k) {
        if (frames == 0 || heard[static_cast<size_t>(k - 1)] < kMemberShare * frames) continue;
        m.harmonics.push_back(k);
        divisor = std::gcd(divisor, k);
        if (energy[static_cast<size_t>(k - 1)] > bestEnergy) bestEnergy = energy[static_cast<size_t>(k - 1)], m.best = k;
    }
    m.lowestCommon = std::max(divisor, 1);
    return m;
}

// Harmonic best's frequency from all members' peaks, each weighted by its precision
// (variance ~ 1 / (k^2 snr)); false when no member is heard in the frame.
bool CombinedFrequency(const FramePeaks& p, const Members& m, double& hz, double& snrDb) {
    double sum = 0.0, weights = 0.0, linear = 0.0, top = -1e9;
    for (int k : m.harmonics) {
        const double snr = p.snr[static_cast<size_t>(k - 1)];
        if (snr < kHarmonicDb) continue;
        const double power = std::pow(10.0, 0.1 * std::min(snr, 60.0));
        const double weight = k * k * power;
        sum += weight * p.hz[static_cast<size_t>(k - 1)] / k;
        weights += weight;
        linear += power;
        top = std::max(top, snr);
    }
    if (top < kHeardDb) return false;
    hz = m.best * sum / weights;
    snrDb = 10.0 * std::log10(linear);
    return true;
}

double RunningMedian(const std::vector<double>& values, size_t i, std::vector<double>& scratch) {
    const size_t from = i >= kMedianHalf ? i - kMedianHalf : 0;
    const size_t to = std::min(values.size(), i + kMedianHalf + 1);
    scratch.assign(values.begin() + static_cast<std::ptrdiff_t>(from), values.begin() + static_cast<std::ptrdiff_t>(to));
    auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
    std::nth_element(scratch.begin(), middle, scratch.end());
    return *middle;
}

double SteadyTone(const Salience& s) {
    const auto loudest = std::max_element(s.background.begin(), s.background.end());
    if (loudest == s.background.end() || *loudest < kSteadyLevel) return 0.0;
    return s.grid.Hz(static_cast<double>(loudest - s.background.begin()));
}

ToneTrack Keep(const ToneTrack& track, const std::vector<bool>& keep) {
    ToneTrack out;
    out.harmonic = track.harmonic;
    out.steadyHz = track.steadyHz;
    for (size_t i = 0; i < track.Size(); ++i) {
        if (!keep[i]) continue;
        out.times.push_back(track.times[i]);
        out.frequencies.push_back(track.frequencies[i]);
        out.snrDb.push_back(track.snrDb[i]);
    }
    return out;
}

// Points off their neighbours' median: a frame where another sound won the peak search. A pass
// is monotonic, so its own points sit on the median even where it falls fast.
ToneTrack DropOutliers(const ToneTrack& track, double binHz) {
    std::vector<bool> keep(track.Size());
    std::vector<double> scratch;
    for (size_t i = 0; i < track.Size(); ++i) {
        const double median = RunningMedian(track.frequencies, i, scratch);
        keep[i] = std::fabs(track.frequencies[i] - median) <= std::max(kOutlierFraction * median, 0.5 * binHz);
    }
    return Keep(track, keep);
}

// Fragments of a few frames are more often noise that lined up than the tone.
ToneTrack DropShortRuns(const ToneTrack& track, double hop) {
    std::vector<bool> keep(track.Size(), false);
    size_t start = 0;
    for (size_t i = 1; i <= track.Size(); ++i) {
        const bool ends = i == track.Size() || track.times[i] - track.times[i - 1] > (kLargestGap + 0.5) * hop;
        if (!ends) continue;
        if (static_cast<int32_t>(i - start) >= kShortestRun) std::fill(keep.begin() + static_cast<std::ptrdiff_t>(start), keep.begin() + static_cast<std::ptrdiff_t>(i), true);
        start = i;
    }
    return Keep(track, keep);
}

}  // namespace

ToneTrack TrackTone(FullSpectrogram spectrogram) {
    ToneTrack track;
    if (spectrogram.frameCount < 2) return track;
    const WhitenedSpectrogram whitened = Whiten(std::move(spectrogram));
    const FullSpectrogram& layout = whitened.layout;
    const Salience salience = HarmonicSalience(whitened);
    if (salience.grid.cells == 0) return track;
    track.steadyHz = SteadyTone(salience);
    const std::vector<FramePeaks> peaks = PeaksAlong(whitened, salience.grid, Ridge(salience));
    const Members members = ToneMembers(peaks);
    if (members.harmonics.empty()) return track;
    track.harmonic = members.best / members.lowestCommon;
    for (int32_t n = 0; n < static_cast<int32_t>(peaks.size()); ++n) {
        double hz = 0.0, snr = 0.0;
        if (!CombinedFrequency(peaks[static_cast<size_t>(n)], members, hz, snr)) continue;
        track.times.push_back(layout.FrameTime(n));
        track.frequencies.push_back(hz);
        track.snrDb.push_back(snr);
    }
    const double hop = static_cast<double>(layout.hop) / layout.sampleRate;
    return DropShortRuns(DropOutliers(track, layout.BinHz()), hop);
}

}  // namespace pirolex
