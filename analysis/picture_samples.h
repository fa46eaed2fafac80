#pragma once
// The samples one picture is drawn from: one channel of a recording, at most kMaxFrames frames
// from a first frame on, each reduced to the signed 8-bit level the pictures have always been
// drawn from (the top byte of the 16-bit sample, floor(s / 256)).

#include "recording.h"

#include <algorithm>
#include <cstdint>

namespace pirolex {

// A picture covers at most this many frames unless its span is made longer; a longer recording
// is drawn from its first ones.
inline constexpr int32_t kMaxFrames = 700000;

class PictureSamples {
public:
    // Channel 1 of a mono recording reads as a constant -1: the level an 8-bit store held for a
    // right channel the file does not have.
    // spanFrames: the most frames the span takes (a zoomed span's length).
    PictureSamples(const Recording& recording, int32_t channel, int64_t firstFrame = 0,
                   int64_t spanFrames = kMaxFrames);

    // Frames in the picture's span.
    int32_t Count() const { return count_; }
    // The first frame's number in the recording.
    int64_t FirstFrame() const { return firstFrame_; }
    // Frame i of the span (0-based): -128..127.
    int32_t Level(int32_t i) const { return samples_ ? samples_[i] >> 8 : kMissingLevel; }
    // Frames first..first+count-1 of the span as levels, in one go.
    void CopyLevels(int32_t first, int32_t count, float* out) const {
        if (!samples_) {
            std::fill(out, out + count, static_cast<float>(kMissingLevel));
            return;
        }
        for (int32_t i = 0; i < count; ++i) out[i] = static_cast<float>(samples_[first + i] >> 8);
    }

private:
    static constexpr int32_t kMissingLevel = -1;
    const int16_t* samples_ = nullptr;
    int32_t count_ = 0;
    int64_t firstFrame_ = 0;
};

}  // namespace pirolex
