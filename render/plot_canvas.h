#pragma once
// PlotBitmap: the off-screen picture all drawing goes into. It offers exactly what the drawing code
// relies on: a pen with colour and mode (copy, or mask = bitwise AND with the old pixel), move-to
// and line-to that leaves the end point unpainted, pixel access, white fill, text on an opaque
// white box, and presenting the picture on screen. Lines come from our own integer routine, so
// every pixel is predictable and testable.
// Colours at this interface are packed with red in bits 0-7, green 8-15, blue 16-23.
// Everything outside the bitmap is clipped, whatever the coordinates.

#include <QFont>
#include <QImage>

#include <cstdint>
#include <functional>
#include <string>

namespace pirolex {

enum class PenMode { Copy, Mask };

inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kBlack = 0x000000;

class PlotCanvas {
public:
    // Receives the picture when it is presented; the window copies it onto its plot image.
    using Presenter = std::function<void(const QImage&)>;

    PlotCanvas(int width, int height);

    // Takes a new size, at least 1 x 1. The picture stays where it fits and new room is white,
    // so a click between a resize and the recompute that follows it still draws on the plot.
    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    void SetPenColor(uint32_t packed) { penColor_ = packed & 0xFFFFFF; }
    uint32_t PenColor() const { return penColor_; }
    void SetPenMode(PenMode mode) { penMode_ = mode; }
    PenMode Mode() const { return penMode_; }

    void MoveTo(int x, int y);
    // Draws from the current position up to, not including, (x, y), which becomes current.
    void LineTo(int x, int y);

    uint32_t Pixel(int x, int y) const;  // white outside the bitmap
    void SetPixel(int x, int y, uint32_t packed);
    // Paints [x0, x1) x [y0, y1) with the white brush.
    void FillRect(int x0, int y0, int x1, int y1);
    void Clear() { FillRect(0, 0, Width(), Height()); }

    void SetFontColor(uint32_t packed) { fontColor_ = packed & 0xFFFFFF; }
    uint32_t FontColor() const { return fontColor_; }
    // Text with its top-left corner at (x, y) on an opaque white box.
    void TextOut(int x, int y, const std::string& text);
    // The width and height of the box TextOut paints for the text.
    int TextWidth(const std::string& text) const;
    int TextHeight() const;
    // Looks the label font up now, so that the first text does not pay for the font database.
    void LoadFont() const;

    // Hands the picture to the presenter, which shows it before returning.
    void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
    void Present() const;

    const QImage& Image() const { return image_; }

    static uint32_t ToPacked(QRgb rgb);
    static QRgb ToQRgb(uint32_t packed);

private:
    QRgb* WritableRow(int y);
    void HorizontalTo(int x);
    void WalkTo(int x, int y);
    void Plot(int x, int y);
    bool Inside(int64_t x, int64_t y) const;

    QImage image_;
    // Kept for the drawing loops, which would otherwise ask Qt for them on every segment; the
    // pixel pointer is taken again whenever the image may have been shared or reallocated.
    int width_ = 0;
    int height_ = 0;
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    QFont font_;
    uint32_t penColor_ = kBlack;
    PenMode penMode_ = PenMode::Copy;
    uint32_t fontColor_ = kBlack;
    int curX_ = 0;
    int curY_ = 0;
    Presenter presenter_;
};

}  // namespace pirolex
