#include "steady_tones.h"

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

}  // namespace pirolex
