#include "sample_source.h"

#include <algorithm>

namespace pirolex {

SourceState RecordingSource::Pull(int64_t maxFrames, SourceBlock& block) {
    const int64_t count = std::clamp<int64_t>(recording_.FrameCount() - next_, 0, std::max<int64_t>(maxFrames, 0));
    block.channels.resize(recording_.channels.size());
    for (size_t c = 0; c < recording_.channels.size(); ++c) {
        const auto first = recording_.channels[c].begin() + next_;
        block.channels[c].assign(first, first + count);
    }
    next_ += count;
    if (count == 0) {
        block.channels.clear();
        return SourceState::kEnded;
    }
    return SourceState::kFrames;
}

}  // namespace pirolex
