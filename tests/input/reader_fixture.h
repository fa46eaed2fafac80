#pragma once
// What the reader tests share: a fake for the screen effects that records every call, a fresh
// state on the heap, and loading from a byte vector.

#include "analysis_state.h"
#include "effects.h"
#include "wav_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pirolex::testing {

class RecordingEffects : public Effects {
public:
    void StatusPanel(int index, const std::string& text) override {
        panels[index] = text;
        ++calls;
    }
    void ChannelGroup(bool enabled) override {
        channelGroup.push_back(enabled);
        ++calls;
    }
    std::map<int, std::string> panels;
    std::vector<bool> channelGroup;
    int calls = 0;
};

inline std::unique_ptr<AnalysisState> NewState() { return std::make_unique<AnalysisState>(); }

inline WavInfo LoadBytes(const std::vector<uint8_t>& bytes, AnalysisState& state, Effects& effects) {
    MemorySource source(bytes.data(), bytes.size());
    return LoadWav(source, state, effects);
}

// Everything a load may write, compared field by field.
inline void ExpectSameRecording(const AnalysisState& expected, const AnalysisState& actual) {
    EXPECT_EQ(expected.FileName, actual.FileName);
    EXPECT_EQ(expected.FileLoaded, actual.FileLoaded);
    EXPECT_EQ(expected.SampleCount, actual.SampleCount);
    EXPECT_EQ(expected.StoredCount, actual.StoredCount);
    EXPECT_EQ(expected.SampleRate, actual.SampleRate);
    EXPECT_EQ(expected.DataBytes, actual.DataBytes);
    EXPECT_EQ(expected.Channels, actual.Channels);
    EXPECT_EQ(expected.BlockAlign, actual.BlockAlign);
    EXPECT_EQ(expected.BitsPerSample, actual.BitsPerSample);
    EXPECT_EQ(expected.ChannelSelect, actual.ChannelSelect);
    EXPECT_TRUE(expected.Samples == actual.Samples) << "sample store changed";
}

}  // namespace pirolex::testing
