#include "rolling_picture.h"

#include "level_scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pirolex {

RollingPicture::RollingPicture(int width, int height, const RollingLayout& layout)
    : layout_(layout), image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
    if (layout_.toHz <= layout_.fromHz) {
        layout_.fromHz = 0.0;
        layout_.toHz = layout_.sampleRate / 2.0;
    }
    const int32_t bins = layout_.fftSize / 2;
    const double binHz = static_cast<double>(layout_.sampleRate) / layout_.fftSize;
    for (int x = 0; x < image_.width(); ++x) {
        const int32_t first = std::clamp(static_cast<int32_t>(std::floor(ColumnHz(x) / binHz)), 0, bins - 1);
        const int32_t end = std::clamp(static_cast<int32_t>(std::floor(ColumnHz(x + 1) / binHz)), first + 1, bins);
        firstBin_.push_back(first);
        lastBin_.push_back(end);
    }
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = ScaleColour(i / 255.0);
        palette_[i] = qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                           static_cast<int>((c >> 16) & 0xFF));
    }
    image_.fill(palette_[0]);
}

double RollingPicture::ColumnHz(int column) const {
    return layout_.fromHz + (layout_.toHz - layout_.fromHz) * column / image_.width();
}

double RollingPicture::SecondsBeforeNewest(int row) const {
    return static_cast<double>(row) * layout_.hopFrames / layout_.sampleRate;
}

void RollingPicture::AddLine(const SpectrumLine& line) {
    const int width = image_.width();
    const qsizetype rowBytes = image_.bytesPerLine();
    // One row down: the bottom row leaves, the top one is free for the new line.
    uchar* bits = image_.bits();
    std::memmove(bits + rowBytes, bits, static_cast<size_t>(rowBytes * (image_.height() - 1)));
    QRgb* top = reinterpret_cast<QRgb*>(bits);
    const int32_t bins = static_cast<int32_t>(line.amplitudes.size());
    const double foot = layout_.topDb - layout_.rangeDb;
    for (int x = 0; x < width; ++x) {
        double strongest = -1e300;
        for (int32_t k = firstBin_[static_cast<size_t>(x)]; k < std::min(lastBin_[static_cast<size_t>(x)], bins); ++k)
            strongest = std::max(strongest, line.amplitudes[static_cast<size_t>(k)]);
        const double t = std::clamp((strongest - foot) / std::max(layout_.rangeDb, 1.0), 0.0, 1.0);
        top[x] = palette_[static_cast<int>(std::lround(t * 255.0))];
    }
    ++lines_;
}

}  // namespace pirolex
