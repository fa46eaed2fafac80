#include "plot_canvas.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace pirolex {

PlotCanvas::PlotCanvas(int width, int height) : font_(QStringLiteral("DejaVu Sans"), 8) {
    // Pixel size, not point size: the label strip below the baseline is 21 pixels on every screen.
    font_.setPixelSize(11);
    Resize(width, height);
}

void PlotCanvas::Resize(int width, int height) {
    image_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image_.fill(Qt::white);
}

uint32_t PlotCanvas::ToPacked(QRgb rgb) {
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

QRgb PlotCanvas::ToQRgb(uint32_t packed) {
    return qRgb(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

void PlotCanvas::MoveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void PlotCanvas::Plot(int x, int y) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
    const uint32_t pixel = penMode_ == PenMode::Mask ? (ToPacked(line[x]) & penColor_) : penColor_;
    line[x] = ToQRgb(pixel);
}

void PlotCanvas::LineTo(int x, int y) {
    // Bresenham from the current position; the end point is left out, so a polyline paints each
    // joint once and a horizontal or vertical line covers exactly the pixels between its ends.
    int64_t x0 = curX_, y0 = curY_;
    const int64_t dx = std::llabs(int64_t{x} - x0), dy = -std::llabs(int64_t{y} - y0);
    const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
    int64_t err = dx + dy;
    // Far-off end points only cost time outside the bitmap; stop once the line has left it for good.
    const int64_t limit = dx - dy;
    for (int64_t step = 0; step < limit && (x0 != x || y0 != y); ++step) {
        Plot(static_cast<int>(x0), static_cast<int>(y0));
        const int64_t e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
    curX_ = x;
    curY_ = y;
}

uint32_t PlotCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return kWhite;
    return ToPacked(image_.pixel(x, y));
}

void PlotCanvas::SetPixel(int x, int y, uint32_t packed) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    image_.setPixel(x, y, ToQRgb(packed));
}

void PlotCanvas::FillRect(int x0, int y0, int x1, int y1) {
    const QRect r = QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)).intersected(image_.rect());
    if (r.isEmpty()) return;
    QPainter painter(&image_);
    painter.fillRect(r, Qt::white);
}

void PlotCanvas::TextOut(int x, int y, const std::string& text) {
    QPainter painter(&image_);
    painter.setFont(font_);
    const QString s = QString::fromStdString(text);
    const QFontMetrics metrics(font_);
    const QRect box(x, y, metrics.horizontalAdvance(s) + 1, metrics.height());
    painter.fillRect(box, Qt::white);
    painter.setPen(QColor(ToQRgb(fontColor_)));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, s);
}

}  // namespace pirolex
