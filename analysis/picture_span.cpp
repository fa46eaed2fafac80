#include "picture_span.h"

#include "picture_samples.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pirolex {

namespace {

constexpr int64_t kTenthsPerSecond = 10;
// The loudness window, in blocks of a tenth of a second.
constexpr int64_t kWindowBlocks = 10;

int64_t LatestFirstFrame(const Recording& recording, int64_t spanFrames) {
    return std::max<int64_t>(recording.FrameCount() - spanFrames, 0);
}

int64_t LatestTenths(const Recording& recording, int64_t spanFrames) {
    return LatestFirstFrame(recording, spanFrames) * kTenthsPerSecond / recording.sampleRate;
}

// Sum of squares of every channel, per block of `block` frames (the last one may be shorter).
std::vector<double> BlockEnergies(const Recording& recording, int64_t block) {
    const int64_t frames = recording.FrameCount();
    std::vector<double> energies(static_cast<size_t>((frames + block - 1) / block), 0.0);
    for (const std::vector<int16_t>& channel : recording.channels) {
        for (int64_t first = 0, b = 0; first < frames; first += block, ++b) {
            const int64_t last = std::min(first + block, frames);
            int64_t sum = 0;  // 2^30 per sample: a block of a tenth of a second at 768 kHz fits
            for (int64_t i = first; i < last; ++i) {
                const int64_t s = channel[static_cast<size_t>(i)];
                sum += s * s;
            }
            energies[static_cast<size_t>(b)] += static_cast<double>(sum);
        }
    }
    return energies;
}

}  // namespace

bool NeedsSpan(const Recording& recording, int64_t spanFrames) {
    return recording.sampleRate > 0 && recording.FrameCount() > spanFrames;
}

int64_t ShownFrames(const Recording& recording, int64_t spanFrames) {
    return std::min<int64_t>(recording.FrameCount(), spanFrames);
}

double LatestSpanStart(const Recording& recording, int64_t spanFrames) {
    if (!NeedsSpan(recording, spanFrames)) return 0.0;
    return static_cast<double>(LatestTenths(recording, spanFrames)) / kTenthsPerSecond;
}

double LoudestSpanStart(const Recording& recording, int64_t spanFrames) {
    if (!NeedsSpan(recording, spanFrames)) return 0.0;
    const int64_t rate = recording.sampleRate;
    const int64_t block = std::max<int64_t>((rate + kTenthsPerSecond / 2) / kTenthsPerSecond, 1);
    const std::vector<double> energies = BlockEnergies(recording, block);
    const int64_t blocks = static_cast<int64_t>(energies.size());
    const int64_t windows = std::max<int64_t>(blocks - kWindowBlocks + 1, 1);
    // The window sums are compared exactly as summed, not slid by adding and subtracting, so a
    // loud block does not leave rounding behind that would favour the windows after it.
    int64_t best = 0;
    double bestEnergy = -1.0;
    for (int64_t w = 0; w < windows; ++w) {
        double energy = 0.0;
        for (int64_t b = w; b < std::min(w + kWindowBlocks, blocks); ++b)
            energy += energies[static_cast<size_t>(b)];
        if (energy > bestEnergy) {
            bestEnergy = energy;
            best = w;
        }
    }
    const int64_t centre = (best * block) + std::min(kWindowBlocks * block, recording.FrameCount()) / 2;
    const double start = static_cast<double>(centre - spanFrames / 2) / static_cast<double>(rate);
    const int64_t tenths = std::llround(start * kTenthsPerSecond);
    return static_cast<double>(std::clamp<int64_t>(tenths, 0, LatestTenths(recording, spanFrames))) /
           kTenthsPerSecond;
}

int64_t SpanFirstFrame(const Recording& recording, double seconds, int64_t spanFrames) {
    if (!NeedsSpan(recording, spanFrames) || !(seconds > 0.0)) return 0;
    const double frame = std::round(seconds * recording.sampleRate);
    const int64_t latest = LatestFirstFrame(recording, spanFrames);
    return frame >= static_cast<double>(latest) ? latest : static_cast<int64_t>(frame);
}

int64_t SpanFramesFor(const Recording& recording, double seconds) {
    const int64_t frames = recording.FrameCount();
    if (recording.sampleRate <= 0 || !std::isfinite(seconds)) return std::min<int64_t>(frames, kMaxFrames);
    const double shortest = kShortestSpanSeconds * recording.sampleRate;
    const double wanted = std::round(std::max(seconds * recording.sampleRate, shortest));
    return wanted >= static_cast<double>(frames) ? frames : static_cast<int64_t>(wanted);
}

}  // namespace pirolex
