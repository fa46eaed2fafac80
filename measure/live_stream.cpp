#include "live_stream.h"

#include <algorithm>
#include <cstdlib>

namespace pirolex {

LiveStream::LiveStream(int32_t sampleRate, int32_t channelCount, const LiveStreamSettings& settings)
    : sampleRate_(sampleRate), settings_(settings), recording_(sampleRate, channelCount, settings.keptFrames),
      lines_(channelCount, settings.fftSize, settings.hopFrames),
      finder_(sampleRate, settings.temperatureC, settings.maxSpeedKmh, channelCount) {}

double LiveStream::Seconds() const {
    return sampleRate_ > 0 ? static_cast<double>(framesHeard_) / sampleRate_ : 0.0;
}

StreamStep LiveStream::Pull(SampleSource& source, const LineHandler& onLine) {
    const SourceState state = source.Pull(settings_.blockFrames, block_);
    if (state != SourceState::kFrames) {
        StreamStep step;
        step.state = state;
        return step;
    }
    return Append(block_, onLine);
}

StreamStep LiveStream::Append(const SourceBlock& block, const LineHandler& onLine) {
    StreamStep step;
    step.state = SourceState::kFrames;
    step.frames = block.FrameCount();
    if (step.frames == 0) return step;
    framesHeard_ += step.frames;
    if (settings_.keepTake) recording_.Append(block.channels);
    if (settings_.makeLines) lines_.Append(block.channels, onLine);
    int peak = 0;
    for (const std::vector<int16_t>& channel : block.channels)
        for (const int16_t s : channel) peak = std::max(peak, std::abs(static_cast<int>(s)));
    step.peak = static_cast<int16_t>(std::min(peak, 32767));
    // The finder hears every channel, as FindPasses reads a file: a take fed in blocks then gives
    // the passes the whole file gives.
    std::vector<std::span<const int16_t>> channels(block.channels.begin(), block.channels.end());
    step.passes = finder_.Append(channels);
    Stamp(step.passes);
    return step;
}

std::vector<FlybyPass> LiveStream::Finish() {
    std::vector<FlybyPass> passes = finder_.Finish();
    Stamp(passes);
    return passes;
}

// A pass is reported when the stream has reached this far, whatever the finder thought it had
// heard when it concluded it.
void LiveStream::Stamp(std::vector<FlybyPass>& passes) const {
    for (FlybyPass& pass : passes) pass.reportedS = Seconds();
}

}  // namespace pirolex
