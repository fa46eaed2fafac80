#include "loudness_overview.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

std::vector<float> LoudnessOverview(const Recording& recording, int buckets) {
    buckets = std::max(buckets, 1);
    std::vector<float> levels(static_cast<size_t>(buckets), kQuietestDb);
    const int64_t frames = recording.FrameCount();
    if (frames < 1 || recording.ChannelCount() < 1) return levels;
    for (int b = 0; b < buckets; ++b) {
        const int64_t from = frames * b / buckets;
        const int64_t to = std::max(frames * (b + 1) / buckets, from + 1);
        // Whole numbers: a stretch of a three-hour take sums far below 2^63, and the loop
        // vectorises.
        int64_t sum = 0;
        for (const std::vector<int16_t>& channel : recording.channels)
            for (int64_t i = from; i < std::min(to, frames); ++i) {
                const int32_t s = channel[static_cast<size_t>(i)];
                sum += s * s;
            }
        const double count = static_cast<double>(std::min(to, frames) - from) * recording.ChannelCount();
        const double rms = std::sqrt(static_cast<double>(sum) / count) / 32768.0;
        if (rms > 0.0)
            levels[static_cast<size_t>(b)] = std::max(kQuietestDb, static_cast<float>(20.0 * std::log10(rms)));
    }
    return levels;
}

}  // namespace pirolex
