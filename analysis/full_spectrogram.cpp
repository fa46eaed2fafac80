#include "full_spectrogram.h"

#include "fftw_plans.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace pirolex {

namespace {

struct FftwfFree {
    void operator()(void* p) const { fftwf_free(p); }
};
using RealBuffer = std::unique_ptr<float[], FftwfFree>;
using ComplexBuffer = std::unique_ptr<fftwf_complex[], FftwfFree>;

std::vector<float> HannWindow(int32_t length) {
    std::vector<float> window(static_cast<size_t>(length));
    for (int32_t i = 0; i < length; ++i)
        window[static_cast<size_t>(i)] =
            static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / length));
    return window;
}

int32_t FrameCountFor(int64_t samples, int32_t frameLength, int32_t hop) {
    if (samples < frameLength) return 0;
    return static_cast<int32_t>((samples - frameLength) / hop + 1);
}

// Adds one channel's power spectra to the rows.
void AddChannel(const std::vector<int16_t>& samples, const std::vector<float>& window, fftwf_plan plan,
                FullSpectrogram& out) {
    RealBuffer in(fftwf_alloc_real(static_cast<size_t>(out.fftSize)));
    ComplexBuffer spectrum(fftwf_alloc_complex(static_cast<size_t>(out.binCount)));
    std::fill(in.get(), in.get() + out.fftSize, 0.0f);
    constexpr float kScale = 1.0f / 32768.0f;
    for (int32_t frame = 0; frame < out.frameCount; ++frame) {
        const int16_t* first = samples.data() + static_cast<size_t>(frame) * static_cast<size_t>(out.hop);
        for (int32_t i = 0; i < out.frameLength; ++i)
            in[static_cast<size_t>(i)] =
                static_cast<float>(first[i]) * kScale * window[static_cast<size_t>(i)];
        fftwf_execute_dft_r2c(plan, in.get(), spectrum.get());
        float* row = out.power.data() + static_cast<size_t>(frame) * static_cast<size_t>(out.binCount);
        for (int32_t b = 0; b < out.binCount; ++b) {
            const float re = spectrum[static_cast<size_t>(b)][0], im = spectrum[static_cast<size_t>(b)][1];
            row[b] += re * re + im * im;
        }
    }
}

}  // namespace

int32_t FrameLengthFor(int32_t sampleRate, const SpectrogramShape& shape) {
    const double wanted = std::max(64.0, shape.frameSeconds * sampleRate);
    return static_cast<int32_t>(1) << static_cast<int>(std::lround(std::log2(wanted)));
}

FullSpectrogram ComputeFullSpectrogram(const Recording& recording, const SpectrogramShape& shape) {
    FullSpectrogram out;
    if (recording.sampleRate <= 0 || recording.ChannelCount() == 0) return out;
    out.sampleRate = recording.sampleRate;
    out.frameLength = FrameLengthFor(recording.sampleRate, shape);
    out.fftSize = out.frameLength * std::max(1, shape.zeroPadding);
    out.binCount = out.fftSize / 2 + 1;
    out.hop = std::max(1, out.frameLength / std::max(1, shape.hopDivisor));
    const int64_t samples = recording.FrameCount();
    while (FrameCountFor(samples, out.frameLength, out.hop) > shape.maxFrames) out.hop *= 2;
    out.frameCount = FrameCountFor(samples, out.frameLength, out.hop);
    if (out.frameCount == 0) return out;
    out.power.assign(static_cast<size_t>(out.frameCount) * static_cast<size_t>(out.binCount), 0.0f);
    const std::vector<float> window = HannWindow(out.frameLength);
    const fftwf_plan plan = SingleRealForwardPlan(out.fftSize);
    for (const std::vector<int16_t>& channel : recording.channels) AddChannel(channel, window, plan, out);
    return out;
}

}  // namespace pirolex
