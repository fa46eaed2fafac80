#pragma once
// A recording as every reader hands it on: its format and all of its samples, per channel.
//
// Samples are kept as 16-bit integers (full scale 32768) rather than floats: a 30-minute stereo
// recording at 48 kHz then takes 345 MB instead of 691 MB, and 16 bits resolve far below the
// noise of any microphone recording, so no measurement loses anything by it.

#include <cstdint>
#include <string>
#include <vector>

namespace pirolex {

// Samples of all channels together that a recording may hold: 2 GiB of 16-bit samples, over three
// hours of 48 kHz stereo. Every reader refuses a longer one before it spends the memory, wherever
// the file states its length.
inline constexpr int64_t kMaxRecordingSamples = int64_t{1} << 30;

struct Recording {
    int32_t sampleRate = 0;
    // One vector per channel, all of the same length.
    std::vector<std::vector<int16_t>> channels;

    int32_t ChannelCount() const { return static_cast<int32_t>(channels.size()); }
    int64_t FrameCount() const {
        return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size());
    }
    double Seconds() const {
        return sampleRate > 0 ? static_cast<double>(FrameCount()) / sampleRate : 0.0;
    }
    // The sample as a value in [-1, 1).
    float At(int32_t channel, int64_t frame) const {
        return static_cast<float>(channels[static_cast<size_t>(channel)][static_cast<size_t>(frame)]) *
               (1.0f / 32768.0f);
    }
};

}  // namespace pirolex
