#pragma once
// Where in a spectrogram a harmonic tone stands out: each frame whitened against its own noise
// floor, then, on a log-frequency grid, the summed level at the first harmonics of every
// candidate base frequency. A Doppler shift scales all harmonics alike, so a tone keeps its
// shape on this grid and only slides along it.

#include "full_spectrogram.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace pirolex {

// Each bin's level in dB above the noise floor around it in its frame: the spectrogram's powers
// turned into levels in place.
struct WhitenedSpectrogram {
    FullSpectrogram layout;      // sizes and frame times; its powers have moved to levelDb
    std::vector<float> levelDb;  // frames x bins
    int32_t floorBlocks = 0;
    std::vector<float> floorDb;  // frames x floorBlocks: the floor at each block's centre

    const float* Row(int32_t frame) const {
        return levelDb.data() + static_cast<size_t>(frame) * static_cast<size_t>(layout.binCount);
    }
    // The power in dB (full scale sine ~ 20 log10(frameLength / 4)), from the level and the floor.
    double PowerDb(int32_t frame, int32_t bin) const;
    // Where the peak at bin (a local maximum, 0 < bin < binCount - 1) lies, in bins: a parabola
    // through the log powers of it and its neighbours, for a Hann window a close fit to the
    // peak's true shape. Negative when bin is no local maximum.
    double PeakBin(int32_t frame, int32_t bin) const;
};

// Takes the spectrogram by value: moved in, its memory is reused.
WhitenedSpectrogram Whiten(FullSpectrogram spectrogram);

// Frequencies lowHz * step^cell for cell = 0 .. cells - 1.
struct LogGrid {
    double lowHz = 100.0;
    double step = 1.0025;
    int32_t cells = 0;

    double Hz(double cell) const { return lowHz * std::pow(step, cell); }
    double CellOf(double hz) const { return std::log(hz / lowHz) / std::log(step); }
};

// Salience of each candidate base frequency in each frame, frames x cells: the whitened levels
// at its harmonics 1..kSalienceHarmonics summed (the higher ones weighted less), averaged over a
// few frames, less the cell's low percentile over the whole recording, so that a steady hum and
// a broad noise band, present all the time, drop out.
struct Salience {
    LogGrid grid;
    int32_t frameCount = 0;
    std::vector<float> value;

    const float* Row(int32_t frame) const {
        return value.data() + static_cast<size_t>(frame) * static_cast<size_t>(grid.cells);
    }
};

inline constexpr int kSalienceHarmonics = 4;

Salience HarmonicSalience(const WhitenedSpectrogram& whitened);

}  // namespace pirolex
