// The full-precision spectrogram: where a tone's power lands, how channels add, how frames are
// laid out in time.
#include "full_spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pirolex {
namespace {

Recording Sine(int32_t rate, double hz, double seconds, int channels) {
    Recording r;
    r.sampleRate = rate;
    const auto frames = static_cast<size_t>(seconds * rate);
    r.channels.assign(static_cast<size_t>(channels), std::vector<int16_t>(frames));
    for (size_t i = 0; i < frames; ++i) {
        const double s = 16000.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
        for (auto& channel : r.channels) channel[i] = static_cast<int16_t>(std::lround(s));
    }
    return r;
}

int32_t PeakBin(const FullSpectrogram& s, int32_t frame) {
    const float* row = s.Row(frame);
    return static_cast<int32_t>(std::max_element(row, row + s.binCount) - row);
}

TEST(FullSpectrogram, FramesOfAbout45MsZeroPaddedTwiceWithAQuarterHop) {
    for (int32_t rate : {22050, 44100, 48000}) {
        const FullSpectrogram s = ComputeFullSpectrogram(Sine(rate, 1000.0, 1.0, 1));
        EXPECT_NEAR(static_cast<double>(s.frameLength) / rate, 0.045, 0.005) << rate;
        EXPECT_EQ(s.fftSize, 2 * s.frameLength);
        EXPECT_EQ(s.hop * 4, s.frameLength);
        // Every frame lies inside the recording; its time is its centre.
        EXPECT_LE(s.FrameTime(s.frameCount - 1) + 0.5 * s.frameLength / rate, 1.0);
        EXPECT_GT(s.FrameTime(s.frameCount - 1) + 0.5 * s.frameLength / rate + double(s.hop) / rate, 1.0);
        EXPECT_DOUBLE_EQ(s.FrameTime(0), 0.5 * s.frameLength / rate);
    }
}

TEST(FullSpectrogram, ToneLandsInItsBinAndChannelsAddInPower) {
    constexpr int32_t expected = 279;
    const double hz = expected * 44100.0 / 4096.0;  // the centre of the bin
    const FullSpectrogram mono = ComputeFullSpectrogram(Sine(44100, hz, 0.5, 1));
    const FullSpectrogram stereo = ComputeFullSpectrogram(Sine(44100, hz, 0.5, 2));
    ASSERT_EQ(mono.fftSize, 4096);
    for (int32_t frame : {0, mono.frameCount / 2, mono.frameCount - 1}) {
        EXPECT_EQ(PeakBin(mono, frame), expected);
        EXPECT_NEAR(stereo.Row(frame)[expected], 2.0f * mono.Row(frame)[expected],
                    1e-3 * mono.Row(frame)[expected]);
    }
    // A Hann window's sum is half its length: amplitude 16000 / 32768 gives (0.488 N / 4)^2.
    const double amplitude = 16000.0 / 32768.0 * mono.frameLength / 4.0;
    EXPECT_NEAR(mono.Row(0)[expected], amplitude * amplitude, 0.01 * amplitude * amplitude);
}

TEST(FullSpectrogram, LongRecordingTakesALongerHopAndNothingFromNothing) {
    SpectrogramShape shape;
    shape.maxFrames = 100;
    const FullSpectrogram s = ComputeFullSpectrogram(Sine(8000, 500.0, 10.0, 1), shape);
    EXPECT_LE(s.frameCount, 100);
    EXPECT_GT(s.frameCount, 50);
    EXPECT_EQ(ComputeFullSpectrogram(Recording{}).frameCount, 0);
    EXPECT_EQ(ComputeFullSpectrogram(Sine(44100, 500.0, 0.01, 1)).frameCount, 0);
}

}  // namespace
}  // namespace pirolex
