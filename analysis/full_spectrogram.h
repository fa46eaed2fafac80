#pragma once
// Power spectra of a whole recording at full precision, for measurements. The pictures keep
// their own exact FFT and 8-bit store; this one reads the 16-bit samples through FFTW.
//
// Frames are Hann-windowed, overlap by three quarters and are zero-padded to twice their length,
// so a steady tone shows as a smooth peak a few bins wide whose top can be interpolated. The
// channels are summed in power: two microphones then add up instead of cancelling where their
// phases differ.
//
// Safe to call from several threads at once: FFTW's planner is guarded, its plans are shared.

#include "recording.h"

#include <cstdint>
#include <vector>

namespace pirolex {

struct SpectrogramShape {
    double frameSeconds = 0.045;  // the frame length is the power of two nearest to this
    int32_t hopDivisor = 4;       // hop = frame length / hopDivisor
    int32_t zeroPadding = 2;      // FFT size = frame length * zeroPadding
    // A longer recording (beyond ~47 s at 44.1 kHz) gets a longer hop instead, so memory stays
    // bounded: 4096 frames of 2049 bins are 34 MB, and a measurement keeps about three such.
    int32_t maxFrames = 4096;
};

struct FullSpectrogram {
    int32_t sampleRate = 0;
    int32_t frameLength = 0;  // samples under the window
    int32_t fftSize = 0;
    int32_t hop = 0;
    int32_t binCount = 0;  // fftSize / 2 + 1, from 0 Hz to the Nyquist frequency
    int32_t frameCount = 0;
    // frameCount rows of binCount powers, channels summed; full scale sine ~ (frameLength / 4)^2.
    std::vector<float> power;

    double BinHz() const { return static_cast<double>(sampleRate) / fftSize; }
    // The time of a frame's centre, in seconds from the start of the recording.
    double FrameTime(int32_t frame) const {
        return (static_cast<double>(frame) * hop + 0.5 * frameLength) / sampleRate;
    }
    const float* Row(int32_t frame) const {
        return power.data() + static_cast<size_t>(frame) * static_cast<size_t>(binCount);
    }
};

// The frame length a shape gives at a sample rate: a power of two, at least 64.
int32_t FrameLengthFor(int32_t sampleRate, const SpectrogramShape& shape);

// Empty (frameCount 0) when the recording has no sample rate or is shorter than one frame.
FullSpectrogram ComputeFullSpectrogram(const Recording& recording, const SpectrogramShape& shape = {});

}  // namespace pirolex
