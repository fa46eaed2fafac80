#include "tone_track.h"

#include "harmonic_salience.h"
#include "ridge.h"
#include "steady_tones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <utility>

namespace pirolex {

namespace {

// Hysteresis: a harmonic's peak counts from kHarmonicDb above the floor, but a run of frames is
// only the tone when many of its frames reach kHeardDb, which noise alone practically never does.
constexpr double kHarmonicDb = 8.0;
constexpr double kHeardDb = 12.0;
constexpr float kRidgeSalience = 6.0f;     // dB over the cell's background
constexpr double kSearchFraction = 0.006;  // peak search around k g, relative: two grid cells and more
constexpr double kMemberShare = 0.3;       // a harmonic belongs to the tone when heard this often
constexpr int32_t kMedianHalf = 4;
constexpr double kOutlierFraction = 0.004;
constexpr int32_t kShortestRun = 6;       // frames, ~70 ms
constexpr int32_t kLargestGap = 2;        // frames that may be missing inside a run
constexpr double kSteadyReachBins = 1.5;  // a steady tone's peak, either side of its pitch

using HarmonicPeaks = std::array<double, kSalienceHarmonics>;

struct FramePeaks {
    HarmonicPeaks hz{};     // interpolated peak of harmonic k + 1, 0 when none
    HarmonicPeaks snr{};    // its whitened level, dB
    HarmonicPeaks power{};  // its power, dB
};

// The strongest bin near hz, its frequency interpolated, its level above the noise floor and its
// power. A peak on a steady tone is none: the salience left that tone out, and the ridge may
// pass near it where the engine is not heard.
void FindPeak(const WhitenedSpectrogram& w, const std::vector<double>& steadyHz, int32_t frame, double hz,
              double& peakHz, double& snrDb, double& powerDb) {
    peakHz = 0.0;
    snrDb = -1e9;
    const double binHz = w.layout.BinHz(), centre = hz / binHz;
    const double half = std::max(2.0, std::ceil(hz * kSearchFraction / binHz));
    const auto first = std::max<int32_t>(1, static_cast<int32_t>(std::floor(centre - half)));
    const auto last =
        std::min<int32_t>(w.layout.binCount - 2, static_cast<int32_t>(std::ceil(centre + half)));
    if (first > last) return;
    const float* level = w.Row(frame);
    const int32_t b = static_cast<int32_t>(std::max_element(level + first, level + last + 1) - level);
    const double bin = w.PeakBin(frame, b);
    if (bin < 0.0) return;
    for (double steady : steadyHz)
        if (std::fabs(bin * binHz - steady) <= kSteadyReachBins * binHz) return;
    peakHz = bin * binHz;
    snrDb = level[b];
    powerDb = w.PowerDb(frame, b);
}

// The harmonics' peaks in the frames where the ridge stands out of the background: elsewhere it
// runs through noise, or past a steady tone that the background took off.
std::vector<FramePeaks> PeaksAlong(const WhitenedSpectrogram& w, const Salience& s,
                                   const std::vector<double>& steadyHz, const std::vector<int32_t>& ridge) {
    std::vector<FramePeaks> peaks(ridge.size());
    const double highest = 0.95 * 0.5 * w.layout.sampleRate;
    for (int32_t n = 0; n < static_cast<int32_t>(ridge.size()); ++n) {
        const int32_t cell = ridge[static_cast<size_t>(n)];
        if (s.Row(n)[cell] < kRidgeSalience) continue;
        const double base = s.grid.Hz(cell);
        for (int k = 1; k <= kSalienceHarmonics && k * base < highest; ++k) {
            FramePeaks& p = peaks[static_cast<size_t>(n)];
            FindPeak(w, steadyHz, n, k * base, p.hz[static_cast<size_t>(k - 1)],
                     p.snr[static_cast<size_t>(k - 1)], p.power[static_cast<size_t>(k - 1)]);
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
        if (energy[static_cast<size_t>(k - 1)] > bestEnergy)
            bestEnergy = energy[static_cast<size_t>(k - 1)], m.best = k;
    }
    m.lowestCommon = std::max(divisor, 1);
    return m;
}

// Harmonic best's frequency from all members' peaks, each weighted by its precision
// (variance ~ 1 / (k^2 snr)), the level of the one heard best and the power of the loudest;
// false when no member counts in the frame.
bool CombinedFrequency(const FramePeaks& p, const Members& m, double& hz, double& snrDb, double& powerDb) {
    double sum = 0.0, weights = 0.0, top = -1e9;
    powerDb = -1e9;
    for (int k : m.harmonics) {
        const double snr = p.snr[static_cast<size_t>(k - 1)];
        if (snr < kHarmonicDb) continue;
        const double power = std::pow(10.0, 0.1 * std::min(snr, 60.0));
        const double weight = k * k * power;
        sum += weight * p.hz[static_cast<size_t>(k - 1)] / k;
        weights += weight;
        top = std::max(top, snr);
        powerDb = std::max(powerDb, p.power[static_cast<size_t>(k - 1)]);
    }
    if (top < kHarmonicDb) return false;
    hz = m.best * sum / weights;
    snrDb = top;
    return true;
}

double RunningMedian(const std::vector<double>& values, size_t i, std::vector<double>& scratch) {
    const size_t from = i >= kMedianHalf ? i - kMedianHalf : 0;
    const size_t to = std::min(values.size(), i + kMedianHalf + 1);
    scratch.assign(values.begin() + static_cast<std::ptrdiff_t>(from),
                   values.begin() + static_cast<std::ptrdiff_t>(to));
    auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
    std::nth_element(scratch.begin(), middle, scratch.end());
    return *middle;
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
        out.levelDb.push_back(track.levelDb[i]);
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
        keep[i] =
            std::fabs(track.frequencies[i] - median) <= std::max(kOutlierFraction * median, 0.5 * binHz);
    }
    return Keep(track, keep);
}

// Runs of frames (with short gaps) that are the tone: long enough, and with enough frames well
// above the noise. Fragments of a few frames, or of weak ones only, are more often noise that
// lined up.
ToneTrack KeepHeardRuns(const ToneTrack& track, double hop) {
    std::vector<bool> keep(track.Size(), false);
    size_t start = 0;
    int32_t loud = 0;
    for (size_t i = 0; i < track.Size(); ++i) {
        loud += track.snrDb[i] >= kHeardDb;
        const bool ends =
            i + 1 == track.Size() || track.times[i + 1] - track.times[i] > (kLargestGap + 0.5) * hop;
        if (!ends) continue;
        const auto length = static_cast<int32_t>(i + 1 - start);
        if (length >= kShortestRun && 2 * loud >= length)
            std::fill(keep.begin() + static_cast<std::ptrdiff_t>(start),
                      keep.begin() + static_cast<std::ptrdiff_t>(i + 1), true);
        start = i + 1;
        loud = 0;
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
    const std::vector<double> steady = SteadyTones(whitened);
    track.steadyHz = steady.empty() ? 0.0 : steady.front();
    const double hop = static_cast<double>(layout.hop) / layout.sampleRate;
    const std::vector<FramePeaks> peaks = PeaksAlong(whitened, salience, steady, Ridge(salience, hop));
    const Members members = ToneMembers(peaks);
    if (members.harmonics.empty()) return track;
    track.harmonic = members.best / members.lowestCommon;
    for (int32_t n = 0; n < static_cast<int32_t>(peaks.size()); ++n) {
        double hz = 0.0, snr = 0.0, power = 0.0;
        if (!CombinedFrequency(peaks[static_cast<size_t>(n)], members, hz, snr, power)) continue;
        track.times.push_back(layout.FrameTime(n));
        track.frequencies.push_back(hz);
        track.snrDb.push_back(snr);
        track.levelDb.push_back(power);
    }
    return KeepHeardRuns(DropOutliers(track, layout.BinHz()), hop);
}

}  // namespace pirolex
