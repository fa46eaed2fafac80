#include "steady_tones.h"

#include "full_spectrogram.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

constexpr int32_t kSampledFrames = 256;  // spread over the recording; enough for the percentiles
constexpr double kLowPercentile = 0.1;
constexpr double kHighPercentile = 0.9;
constexpr float kSteadyDb = 10.0f;       // above the floor in nearly every frame
constexpr float kSteadySpreadDb = 6.0f;  // and hardly louder in any
// At one pitch, relative: far less than a pass at walking pace or an engine's rpm wobble moves
// it, though a slow pass of a low tone stays within a bin or two and so keeps its level as
// steady as a hum.
constexpr double kSteadyDrift = 0.002;

struct Sample {
    std::vector<int32_t> frames;
    std::vector<float> levels;  // bins x frames: each bin's levels over the sampled frames
};

Sample SampleFrames(const WhitenedSpectrogram& w) {
    Sample s;
    const int32_t stride = std::max(1, w.layout.frameCount / kSampledFrames);
    for (int32_t n = 0; n < w.layout.frameCount; n += stride) s.frames.push_back(n);
    const size_t count = s.frames.size(), bins = static_cast<size_t>(w.layout.binCount);
    s.levels.resize(bins * count);
    for (size_t i = 0; i < count; ++i) {
        const float* row = w.Row(s.frames[i]);
        for (size_t b = 0; b < bins; ++b) s.levels[b * count + i] = row[b];
    }
    return s;
}

float Percentile(std::vector<float>& values, double q) {
    const auto rank = static_cast<std::ptrdiff_t>(q * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + rank, values.end());
    return values[static_cast<size_t>(rank)];
}

// The bin's level is high in nearly every sampled frame and about the same in all. Most bins
// fail at once on a count, before any sorting.
bool SteadyLevel(const Sample& s, int32_t bin, std::vector<float>& scratch, float& low) {
    const size_t count = s.frames.size();
    const auto first = s.levels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(bin) * count);
    const auto quiet = std::count_if(first, first + static_cast<std::ptrdiff_t>(count),
                                     [](float v) { return v < kSteadyDb; });
    if (static_cast<double>(quiet) > kLowPercentile * static_cast<double>(count)) return false;
    scratch.assign(first, first + static_cast<std::ptrdiff_t>(count));
    low = Percentile(scratch, kLowPercentile);
    return low >= kSteadyDb && Percentile(scratch, kHighPercentile) <= low + kSteadySpreadDb;
}

// The peak's pitch in every sampled frame, if it stays within kSteadyDrift: its median; else 0.
double SteadyPitch(const WhitenedSpectrogram& w, const Sample& s, int32_t bin) {
    std::vector<float> pitches;
    for (int32_t frame : s.frames) {
        const float* row = w.Row(frame);
        const int32_t top = row[bin - 1] > row[bin] ? bin - 1 : row[bin + 1] > row[bin] ? bin + 1 : bin;
        if (top < 1 || top > w.layout.binCount - 2) continue;
        const double peak = w.PeakBin(frame, top);
        if (peak >= 0.0) pitches.push_back(static_cast<float>(peak));
    }
    if (pitches.size() < s.frames.size() / 2) return 0.0;
    const float low = Percentile(pitches, kLowPercentile), high = Percentile(pitches, kHighPercentile);
    const float middle = Percentile(pitches, 0.5);
    return high - low <= kSteadyDrift * middle ? middle * w.layout.BinHz() : 0.0;
}

}  // namespace

std::vector<double> SteadyTones(const WhitenedSpectrogram& whitened) {
    std::vector<double> tones;
    if (whitened.layout.frameCount == 0) return tones;
    const Sample sample = SampleFrames(whitened);
    std::vector<float> scratch;
    std::vector<float> lows(static_cast<size_t>(whitened.layout.binCount), -1e9f);
    std::vector<bool> steady(lows.size(), false);
    for (int32_t b = 1; b + 1 < whitened.layout.binCount; ++b)
        steady[static_cast<size_t>(b)] = SteadyLevel(sample, b, scratch, lows[static_cast<size_t>(b)]);
    // A tone's peak is the bin whose steady level is above both neighbours'.
    for (int32_t b = 2; b + 2 < whitened.layout.binCount; ++b) {
        const auto i = static_cast<size_t>(b);
        if (!steady[i] || lows[i] < lows[i - 1] || lows[i] < lows[i + 1]) continue;
        const double hz = SteadyPitch(whitened, sample, b);
        if (hz > 0.0) tones.push_back(hz);
    }
    return tones;
}

namespace {

constexpr double kLineFrameSeconds = 0.19;  // ~5 Hz bins: rotor lines 10 Hz apart stay apart
constexpr double kLowestLineHz = 40.0, kHighestLineHz = 4000.0;
constexpr int32_t kBesideBins = 8;   // the spectrum right beside a line, either side
constexpr float kLineOverBeside = 15.8f;  // 12 dB
constexpr double kHeldShare = 0.8;   // of the frames
constexpr int32_t kFewestLineFrames = 10;

}  // namespace

bool HoldsLine(const Recording& recording) {
    SpectrogramShape shape;
    shape.frameSeconds = kLineFrameSeconds;
    shape.hopDivisor = 2;
    shape.zeroPadding = 1;
    const FullSpectrogram s = ComputeFullSpectrogram(recording, shape);
    if (s.frameCount < kFewestLineFrames) return false;
    const auto first = std::max<int32_t>(kBesideBins + 1, static_cast<int32_t>(kLowestLineHz / s.BinHz()));
    const auto last =
        std::min<int32_t>(s.binCount - kBesideBins - 2, static_cast<int32_t>(kHighestLineHz / s.BinHz()));
    if (first >= last) return false;
    // Per bin: in how many frames a line stands within the wander around it.
    std::vector<int32_t> held(static_cast<size_t>(s.binCount), 0);
    std::vector<float> beside;
    std::vector<char> line(static_cast<size_t>(s.binCount));
    for (int32_t n = 0; n < s.frameCount; ++n) {
        const float* row = s.Row(n);
        std::fill(line.begin(), line.end(), 0);
        for (int32_t b = first; b <= last; ++b) {
            if (row[b] < row[b - 1] || row[b] <= row[b + 1]) continue;
            beside.assign(row + b - kBesideBins, row + b - 1);
            beside.insert(beside.end(), row + b + 2, row + b + kBesideBins + 1);
            auto middle = beside.begin() + static_cast<std::ptrdiff_t>(beside.size() / 2);
            std::nth_element(beside.begin(), middle, beside.end());
            if (row[b] < kLineOverBeside * *middle) continue;
            const auto reach = std::max<int32_t>(1, static_cast<int32_t>(kHeldLineWander * b));
            for (int32_t k = std::max(first, b - reach); k <= std::min(last, b + reach); ++k)
                line[static_cast<size_t>(k)] = 1;
        }
        for (int32_t b = first; b <= last; ++b) held[static_cast<size_t>(b)] += line[static_cast<size_t>(b)];
    }
    return *std::max_element(held.begin(), held.end()) >= kHeldShare * s.frameCount;
}

}  // namespace pirolex
