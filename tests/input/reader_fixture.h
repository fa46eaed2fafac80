#pragma once
// What the reader tests share: reading from a byte vector, and the 8-bit level the pictures draw
// from each sample, counted from frame 1 as the pictures count them.

#include "picture_samples.h"
#include "wav_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pirolex::testing {

inline WavResult ReadBytes(const std::vector<uint8_t>& bytes) {
    MemorySource source(bytes.data(), bytes.size());
    return ReadWav(source);
}

// Reads bytes that must be accepted.
inline WavResult LoadBytes(const std::vector<uint8_t>& bytes) {
    WavResult result = ReadBytes(bytes);
    EXPECT_TRUE(result.Ok()) << (result.Ok() ? "" : result.error->what());
    return result;
}

// The picture's byte for frame i (1-based) of a channel: 128 is silence.
inline int StoredByte(const WavResult& wav, int channel, int frame) {
    return PictureSamples(wav.recording, channel).Level(frame - 1) + 128;
}

// The failure's code name, or "ok".
inline std::string CodeOf(const WavResult& result) {
    return result.Ok() ? "ok" : std::string(ErrorCodeName(result.error->Code()));
}

}  // namespace pirolex::testing
