#include "line_producer.h"

#include "level_pass.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

LineProducer::LineProducer(int32_t channelCount, int32_t fftSize, int32_t hopFrames)
    : hop_(std::max(hopFrames, 1)), power_(fftSize),
      pending_(static_cast<size_t>(std::max(channelCount, 1))), sum_(static_cast<size_t>(fftSize / 2)),
      levels_(static_cast<size_t>(fftSize / 2)) {}

void LineProducer::Append(const std::vector<std::vector<int16_t>>& block, const LineHandler& onLine) {
    const size_t frames = block.empty() ? 0 : block.front().size();
    for (size_t c = 0; c < pending_.size(); ++c) {
        if (c < block.size() && block[c].size() == frames)
            pending_[c].insert(pending_[c].end(), block[c].begin(), block[c].end());
        else
            pending_[c].insert(pending_[c].end(), frames, int16_t{0});
    }
    const int64_t n = power_.Size();
    const int64_t pendingEnd = pendingFirst_ + static_cast<int64_t>(pending_.front().size());
    const double share = 1.0 / static_cast<double>(pending_.size());
    while (nextLineFirst_ + n <= pendingEnd) {
        std::fill(sum_.begin(), sum_.end(), 0.0);
        const size_t offset = static_cast<size_t>(nextLineFirst_ - pendingFirst_);
        for (const std::vector<int16_t>& channel : pending_) power_.Add(channel.data() + offset, sum_);
        for (size_t k = 0; k < sum_.size(); ++k) {
            const double p = sum_[k] * share;
            levels_[k] = p > 0 ? 10.0 * std::log10(p) : kSilentLevelDb;
        }
        ++lines_;
        if (onLine) onLine({lines_, nextLineFirst_, levels_, {}});
        nextLineFirst_ += hop_;
    }
    // Frames before the next line's block are no longer needed.
    const int64_t done = std::min(nextLineFirst_, pendingEnd) - pendingFirst_;
    if (done > 0) {
        for (std::vector<int16_t>& channel : pending_) channel.erase(channel.begin(), channel.begin() + done);
        pendingFirst_ += done;
    }
}

}  // namespace pirolex
