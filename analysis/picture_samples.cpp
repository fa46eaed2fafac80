#include "picture_samples.h"

#include <algorithm>

namespace pirolex {

PictureSamples::PictureSamples(const Recording& recording, int32_t channel, int64_t firstFrame,
                               int64_t spanFrames)
    : firstFrame_(firstFrame) {
    const int64_t frames = recording.FrameCount();
    const int64_t start = std::clamp<int64_t>(firstFrame, 0, frames);
    count_ = static_cast<int32_t>(std::min<int64_t>({frames - start, spanFrames, INT32_MAX}));
    if (channel < recording.ChannelCount())
        samples_ = recording.channels[static_cast<size_t>(channel)].data() + start;
}

}  // namespace pirolex
