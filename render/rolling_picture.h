#pragma once
// The picture while listening: one row per spectrum line, the newest at the top, the older ones
// moving down a row with each new line until they leave at the bottom. Frequency runs across as
// in the 2D picture (a band of it, or 0 Hz to half the sample rate); each column shows the
// strongest bin in it, a column narrower than a bin the bin it lies in; levels on the level
// picture's colour scale. Drawing a line costs one row, not a redraw: the picture keeps up with
// a microphone on a small machine.
//
//   RollingPicture picture(615, 271, {.sampleRate = 48000, .fftSize = 4096, .hopFrames = 1024});
//   picture.AddLine(line);  // from the line producer
//   label.setPixmap(QPixmap::fromImage(picture.Image()));

#include "spectrogram_pass.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace pirolex {

struct RollingLayout {
    int32_t sampleRate = 48000;
    int32_t fftSize = 4096;
    int32_t hopFrames = 1024;
    double fromHz = 0.0;
    double toHz = 0.0;       // 0: half the sample rate
    double topDb = 0.0;      // the brightest colour from here up
    double rangeDb = 90.0;   // the colours span this many dB below it
};

class RollingPicture {
public:
    RollingPicture(int width, int height, const RollingLayout& layout);

    // The next line of the stream: everything moves down a row, the line takes the top one.
    void AddLine(const SpectrumLine& line);

    const QImage& Image() const { return image_; }
    const RollingLayout& Layout() const { return layout_; }
    // How long before the newest line the line in a row was made, s: the time ruler's values.
    double SecondsBeforeNewest(int row) const;
    // The frequency at the left edge of a column, Hz.
    double ColumnHz(int column) const;
    int32_t LinesAdded() const { return lines_; }

private:
    RollingLayout layout_;
    QImage image_;
    // Per column, the bins it covers: [firstBin_[x], lastBin_[x]).
    std::vector<int32_t> firstBin_, lastBin_;
    QRgb palette_[256];
    int32_t lines_ = 0;
};

}  // namespace pirolex
