#pragma once
// Spectrum lines of a stream, each made as soon as its block has arrived: the rolling picture's
// lines while listening. A line is the level picture's line (every bin's level in dB, each block
// Hann-windowed, the channels' power averaged), so the rolling picture and "Pegel" read alike.
//
//   LineProducer lines(2, 4096, 1024);
//   lines.Append(block.channels, [&](const SpectrumLine& line) { picture.AddLine(line); });

#include "block_power.h"
#include "spectrogram_pass.h"

#include <cstdint>
#include <vector>

namespace pirolex {

class LineProducer {
public:
    // Lines of fftSize frames, one every hopFrames frames of the stream (hopFrames > 0).
    LineProducer(int32_t channelCount, int32_t fftSize, int32_t hopFrames);

    // The next frames of the stream, one vector per channel; every line whose block is now
    // complete goes to onLine, oldest first, numbered from 1, its firstFrame counted from the
    // stream's start. The amplitudes are valid during the call only.
    void Append(const std::vector<std::vector<int16_t>>& block, const LineHandler& onLine);

    int32_t FftSize() const { return power_.Size(); }
    int32_t HopFrames() const { return hop_; }
    int32_t LinesMade() const { return lines_; }

private:
    int32_t hop_;
    BlockPower power_;
    // The frames a coming line still needs, per channel; pending_[c][0] is stream frame
    // pendingFirst_.
    std::vector<std::vector<int16_t>> pending_;
    int64_t pendingFirst_ = 0;
    int64_t nextLineFirst_ = 0;
    int32_t lines_ = 0;
    std::vector<double> sum_;
    std::vector<double> levels_;
};

}  // namespace pirolex
