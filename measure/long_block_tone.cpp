#include "long_block_tone.h"

#include "full_spectrogram.h"
#include "peak_between_bins.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

constexpr double kBlockSeconds = 0.2;
constexpr double kBlockPeriods = 60.0;
constexpr int32_t kSearchBins = 4;   // padded bins: two of the block's own
constexpr int32_t kFloorBins = 64;   // either side of the search, for the spectrum around it
constexpr double kOverFloorDb = 10.0;

}  // namespace

std::vector<BlockTone> ToneInLongBlocks(const Recording& recording, double fromS, double toS, double nearHz) {
    std::vector<BlockTone> tones;
    if (recording.sampleRate <= 0 || !(nearHz > 0.0) || !(toS > fromS)) return tones;
    const int64_t first = std::clamp<int64_t>(std::llround(fromS * recording.sampleRate), 0, recording.FrameCount());
    const int64_t last = std::clamp<int64_t>(std::llround(toS * recording.sampleRate), first, recording.FrameCount());
    Recording stretch;
    stretch.sampleRate = recording.sampleRate;
    for (const std::vector<int16_t>& channel : recording.channels)
        stretch.channels.emplace_back(channel.begin() + first, channel.begin() + last);
    SpectrogramShape shape;
    shape.frameSeconds = std::max(kBlockSeconds, kBlockPeriods / nearHz);
    shape.hopDivisor = 1;
    shape.zeroPadding = 2;
    const FullSpectrogram s = ComputeFullSpectrogram(stretch, shape);
    const auto centre = static_cast<int32_t>(std::lround(nearHz / s.BinHz()));
    if (s.frameCount == 0 || centre - kSearchBins < 1 || centre + kSearchBins >= s.binCount - 1) return tones;
    std::vector<float> around;
    for (int32_t frame = 0; frame < s.frameCount; ++frame) {
        const float* row = s.Row(frame);
        const float* top = std::max_element(row + centre - kSearchBins, row + centre + kSearchBins + 1);
        const auto bin = static_cast<int32_t>(top - row);
        if (!(row[bin - 1] > 0.0f && row[bin - 1] < *top && row[bin + 1] > 0.0f && row[bin + 1] < *top)) continue;
        around.assign(row + std::max(0, centre - kFloorBins), row + std::min(s.binCount, centre + kFloorBins + 1));
        std::nth_element(around.begin(), around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2), around.end());
        const double floor = around[around.size() / 2];
        if (!(10.0 * std::log10(*top / std::max(floor, 1e-30)) >= kOverFloorDb)) continue;
        // The Hann main lobe's top, sampled at half bins.
        const double offset = ParabolaVertexOffset(std::log(row[bin - 1]), std::log(*top), std::log(row[bin + 1]));
        tones.push_back({static_cast<double>(first) / recording.sampleRate + s.FrameTime(frame), (bin + offset) * s.BinHz()});
    }
    return tones;
}

}  // namespace pirolex
