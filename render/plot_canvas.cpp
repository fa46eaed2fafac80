#include "plot_canvas.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace pirolex {

namespace {

using Wide = __int128;

// One line as a walk along its major axis: step i (0 <= i < length) paints
//   major = majorStart + majorStep * i,
//   minor = minorStart + minorStep * k(i),   k(i) = floor((2 i m + D) / (2 D)),
// with D the major and m the minor extent. This closed form paints exactly the pixels of the
// classic error-term Bresenham walk, and it lets us jump straight to the part of a line that lies
// inside the bitmap: renderer coordinates can be anywhere in the 32-bit range.
struct LineWalk {
    int64_t majorStart, majorStep, majorExtent;  // extent: bitmap size along the axis
    int64_t minorStart, minorStep, minorExtent;
    int64_t length;  // D
    int64_t minor;   // m
    bool xMajor;
};

LineWalk MakeWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int height) {
    const int64_t adx = std::llabs(x1 - x0), ady = std::llabs(y1 - y0);
    const int64_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    if (adx >= ady) return {x0, sx, width, y0, sy, height, adx, ady, true};
    return {y0, sy, height, x0, sx, width, ady, adx, false};
}

// Steps [lo, hi] whose coordinate start + step * v lies in [0, extent).
void ClipAxis(int64_t start, int64_t step, int64_t extent, int64_t& lo, int64_t& hi) {
    if (step > 0) {
        lo = -start;
        hi = extent - 1 - start;
    } else {
        lo = start - (extent - 1);
        hi = start;
    }
}

Wide CeilDiv(Wide num, Wide den) {  // den > 0
    return num >= 0 ? (num + den - 1) / den : -((-num) / den);
}

// The steps i at which k(i) lies in [kLo, kHi]; k is monotone, so they form one range.
bool StepsForMinor(const LineWalk& w, int64_t kLo, int64_t kHi, int64_t& iLo, int64_t& iHi) {
    const Wide d = w.length, m = w.minor;
    kLo = std::max<int64_t>(kLo, 0);
    kHi = std::min<int64_t>(kHi, w.minor);
    if (kLo > kHi) return false;
    if (m == 0) return true;  // k is 0 throughout, and 0 is inside [kLo, kHi]
    // k(i) >= kLo  <=>  2 i m + D >= 2 D kLo
    // Both bounds stay within [0, D], since kLo and kHi were cut to [0, m].
    if (kLo > 0) iLo = static_cast<int64_t>(std::max<Wide>(iLo, CeilDiv(2 * d * kLo - d, 2 * m)));
    // k(i) <= kHi  <=>  2 i m + D < 2 D (kHi + 1)
    iHi = static_cast<int64_t>(std::min<Wide>(iHi, CeilDiv(2 * d * (Wide{kHi} + 1) - d, 2 * m) - 1));
    return iLo <= iHi;
}

bool VisibleSteps(const LineWalk& w, int64_t& iLo, int64_t& iHi) {
    int64_t lo = 0, hi = 0;
    ClipAxis(w.majorStart, w.majorStep, w.majorExtent, lo, hi);
    iLo = std::max<int64_t>(0, lo);
    iHi = std::min<int64_t>(w.length - 1, hi);
    if (iLo > iHi) return false;
    ClipAxis(w.minorStart, w.minorStep, w.minorExtent, lo, hi);
    return StepsForMinor(w, lo, hi, iLo, iHi);
}

}  // namespace

PlotCanvas::PlotCanvas(int width, int height) : font_(QStringLiteral("DejaVu Sans")) {
    // Pixel size, not point size: the label strip below the baseline is 21 pixels on every screen.
    font_.setPixelSize(11);
    // Crisp glyphs: labels share pixels with lines drawn in mask mode, so no blended colours.
    font_.setStyleStrategy(QFont::NoAntialias);
    Resize(width, height);
}

void PlotCanvas::Resize(int width, int height) {
    const QSize size(std::max(width, 1), std::max(height, 1));
    if (!image_.isNull() && image_.size() == size) return;
    QImage next(size, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter painter(&next);
        painter.drawImage(0, 0, image_);
    }
    image_ = next;
    width_ = image_.width();
    height_ = image_.height();
    bits_ = nullptr;
}

uint32_t PlotCanvas::ToPacked(QRgb rgb) {
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

QRgb PlotCanvas::ToQRgb(uint32_t packed) {
    return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

bool PlotCanvas::Inside(int64_t x, int64_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

void PlotCanvas::MoveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

// A presented picture shares its pixels with the screen's copy until the next write detaches
// them; isDetached() notices that, and any other copy of the image as well.
QRgb* PlotCanvas::WritableRow(int y) {
    if (!bits_ || !image_.isDetached()) {
        bits_ = image_.bits();
        bytesPerLine_ = image_.bytesPerLine();
    }
    return reinterpret_cast<QRgb*>(bits_ + y * bytesPerLine_);
}

void PlotCanvas::Plot(int x, int y) {
    QRgb* line = WritableRow(y);
    const uint32_t pixel = penMode_ == PenMode::Mask ? (ToPacked(line[x]) & penColor_) : penColor_;
    line[x] = ToQRgb(pixel);
}

void PlotCanvas::LineTo(int x, int y) {
    // The end point is left out, so a polyline paints each joint once and a horizontal or
    // vertical line covers exactly the pixels between its ends.
    if (y == curY_) {
        HorizontalTo(x);
    } else {
        WalkTo(x, y);
    }
    curX_ = x;
    curY_ = y;
}

// Every row of the 2D picture is a string of these, one per bin: straight along the row,
// clipped by plain bounds, without the general walk's set-up.
void PlotCanvas::HorizontalTo(int x) {
    if (x == curX_ || curY_ < 0 || curY_ >= height_) return;
    const int64_t first = x > curX_ ? int64_t{curX_} : int64_t{x} + 1;
    const int64_t last = x > curX_ ? int64_t{x} - 1 : int64_t{curX_};
    const int64_t lo = std::max<int64_t>(first, 0);
    const int64_t hi = std::min<int64_t>(last, width_ - 1);
    if (lo > hi) return;
    QRgb* row = WritableRow(curY_);
    const QRgb pen = ToQRgb(penColor_);
    if (penMode_ == PenMode::Copy) {
        std::fill(row + lo, row + hi + 1, pen);
    } else {
        for (int64_t i = lo; i <= hi; ++i) row[i] &= pen;  // both opaque: AND per colour byte
    }
}

void PlotCanvas::WalkTo(int x, int y) {
    const LineWalk w = MakeWalk(curX_, curY_, x, y, width_, height_);
    int64_t iLo = 0, iHi = w.length - 1;
    // A line that starts and ends inside needs no clipping: its walk starts at step 0.
    const bool inside = Inside(curX_, curY_) && Inside(x, y);
    if (w.length == 0 || (!inside && !VisibleSteps(w, iLo, iHi))) return;
    const Wide twoD = Wide{2} * w.length;
    const Wide num = Wide{2} * iLo * w.minor + w.length;
    int64_t k = inside ? 0 : static_cast<int64_t>(num / twoD);
    int64_t rest = inside ? w.length : static_cast<int64_t>(num % twoD);
    for (int64_t i = iLo; i <= iHi; ++i) {
        const int64_t major = w.majorStart + w.majorStep * i;
        const int64_t minor = w.minorStart + w.minorStep * k;
        const int64_t px = w.xMajor ? major : minor, py = w.xMajor ? minor : major;
        if (Inside(px, py)) Plot(static_cast<int>(px), static_cast<int>(py));
        rest += 2 * w.minor;
        if (rest >= twoD) {
            rest -= static_cast<int64_t>(twoD);
            ++k;
        }
    }
}

uint32_t PlotCanvas::Pixel(int x, int y) const {
    if (!Inside(x, y)) return kWhite;
    return ToPacked(image_.pixel(x, y));
}

void PlotCanvas::SetPixel(int x, int y, uint32_t packed) {
    if (!Inside(x, y)) return;
    WritableRow(y)[x] = ToQRgb(packed);
}

void PlotCanvas::FillRect(int x0, int y0, int x1, int y1) {
    const int left = std::max(x0, 0), top = std::max(y0, 0);
    const int right = std::min(x1, width_), bottom = std::min(y1, height_);
    if (left >= right || top >= bottom) return;
    bits_ = nullptr;  // a painter detaches a shared image into new pixels
    QPainter painter(&image_);
    painter.fillRect(QRect(left, top, right - left, bottom - top), Qt::white);
}

void PlotCanvas::TextOut(int x, int y, const std::string& text) {
    if (text.empty() || x >= width_ || y >= height_) return;
    const QString s = QString::fromStdString(text);
    const QFontMetrics metrics(font_, &image_);
    // Left of or above the bitmap by more than the text's size: nothing to paint (and the box
    // below could not even be formed without overflow).
    if (int64_t{x} + metrics.horizontalAdvance(s) <= 0 || int64_t{y} + metrics.height() <= 0) return;
    const QRect box(x, y, metrics.horizontalAdvance(s), metrics.height());
    bits_ = nullptr;  // a painter detaches a shared image into new pixels
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.fillRect(box, Qt::white);
    painter.setPen(QColor(ToQRgb(fontColor_)));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
}

int PlotCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(font_, &image_).horizontalAdvance(QString::fromStdString(text));
}

int PlotCanvas::TextHeight() const { return QFontMetrics(font_, &image_).height(); }

void PlotCanvas::LoadFont() const {
    QFontMetrics(font_, &image_).horizontalAdvance(QStringLiteral("0123456789 Hz"));
}

void PlotCanvas::Present() const {
    if (presenter_) presenter_(image_);
}

}  // namespace pirolex
