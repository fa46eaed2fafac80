#pragma once
// The one record through which loading, analysis, drawing and measuring share the recording,
// the settings, the plot geometry and the markers. The window owns exactly one (on the heap: the
// sample store alone is 1.4 MB) and hands it on by reference; tests build their own.

#include <array>
#include <cstdint>
#include <string>

namespace pirolex {

// The sample store holds frames 1..kMaxFrames of each channel; longer recordings are cut there.
inline constexpr int32_t kMaxFrames = 700000;
inline constexpr int32_t kLeft = 0;
inline constexpr int32_t kRight = 1;

using SampleRow = std::array<uint8_t, kMaxFrames + 1>;

struct AnalysisState {
    // Recording and sample store.
    std::string FileName;
    bool FileLoaded = false;
    // Row 0 is LeftSamples, row 1 RightSamples; unsigned 8 bit, 128 = silence, index 0 unused.
    std::array<SampleRow, 2> Samples{};
    int32_t SampleCount = 0;
    int32_t StoredCount = 0;
    int32_t SampleRate = 0;
    int32_t DataBytes = 0;
    uint8_t Channels = 0;
    uint8_t BlockAlign = 0;
    uint8_t BitsPerSample = 0;
    bool WaveOpened = false;

    // Analysis settings.
    int32_t FFTExponent = 0;
    int32_t FFTMask = 0;
    int32_t TableStride = 0;
    int32_t FilterCount = 0;
    int32_t GraphMode = 0;  // 1 = 3D, 2 = 2D, 3 = 1D
    int32_t ChannelSelect = 0;  // 0 = links, 1 = rechts, 2 = beide
    int32_t DrawChannel = 0;
    int32_t LineStep = 0;
    bool AutoStep = false;
    bool DisplayFilter = false;

    // Plot geometry, set together by the window's resize handling.
    int32_t PlotLeft = 10;
    double XScale = 1.0;
    int32_t BaselineY = 250;
    double YScale = 1.0;

    // Marker columns; 0 means not placed.
    int32_t MarkerA = 0;
    int32_t MarkerB = 0;

    SampleRow& LeftSamples() { return Samples[kLeft]; }
    SampleRow& RightSamples() { return Samples[kRight]; }
    const SampleRow& LeftSamples() const { return Samples[kLeft]; }
    const SampleRow& RightSamples() const { return Samples[kRight]; }
};

// The only way FFTExponent changes: FFTMask and TableStride follow in the same step, so no reader
// ever sees a size that disagrees with its mask.
void SetFFTExponent(AnalysisState& state, int32_t exponent);

}  // namespace pirolex
