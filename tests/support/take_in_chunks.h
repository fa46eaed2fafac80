#pragma once
// A fake sample source for the stream's tests: a recording handed out in chunks of changing
// sizes (a device never delivers evenly), as fast as it is pulled, and able to vanish mid-take
// as an unplugged microphone does. Header only.
//
//   testsupport::TakeInChunks source(take, {.chunks = {1, 4800, 333}, .vanishAtFrame = 48000 * 7});

#include "sample_source.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace testsupport {

struct ChunkPlan {
    std::vector<int64_t> chunks = {4800};  // sizes in turn, repeated
    std::optional<int64_t> vanishAtFrame;  // the device goes away here: kLost instead of kEnded
};

class TakeInChunks : public pirolex::SampleSource {
public:
    TakeInChunks(pirolex::Recording take, ChunkPlan plan) : take_(std::move(take)), plan_(std::move(plan)) {}
    int32_t SampleRate() const override { return take_.sampleRate; }
    int32_t ChannelCount() const override { return take_.ChannelCount(); }

    pirolex::SourceState Pull(int64_t maxFrames, pirolex::SourceBlock& block) override {
        const int64_t end = std::min(take_.FrameCount(), plan_.vanishAtFrame.value_or(take_.FrameCount()));
        const int64_t wanted = plan_.chunks[turn_++ % plan_.chunks.size()];
        const int64_t count = std::min({wanted, maxFrames, end - next_});
        block.channels.clear();
        if (count <= 0)
            return plan_.vanishAtFrame ? pirolex::SourceState::kLost : pirolex::SourceState::kEnded;
        for (const std::vector<int16_t>& channel : take_.channels)
            block.channels.emplace_back(channel.begin() + next_, channel.begin() + next_ + count);
        next_ += count;
        return pirolex::SourceState::kFrames;
    }

private:
    pirolex::Recording take_;
    ChunkPlan plan_;
    size_t turn_ = 0;
    int64_t next_ = 0;
};

}  // namespace testsupport
