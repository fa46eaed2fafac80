// PlotBitmap's canvas: line end points, mask mode, clipping at any distance, the text box.
#include "plot_canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

namespace pirolex {
namespace {

using Pixels = std::set<std::pair<int64_t, int64_t>>;

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x008000;

// The textbook error-term walk, written independently of the canvas: every pixel from the
// start up to, not including, the end.
Pixels ReferenceLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    Pixels out;
    const int64_t dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        out.insert({x0, y0});
        const int64_t e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
    return out;
}

Pixels Clipped(const Pixels& pixels, int width, int height) {
    Pixels out;
    for (const auto& [x, y] : pixels) {
        if (x >= 0 && y >= 0 && x < width && y < height) out.insert({x, y});
    }
    return out;
}

Pixels Painted(const PlotCanvas& canvas) {
    Pixels out;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.Pixel(x, y) != kWhite) out.insert({x, y});
        }
    }
    return out;
}

Pixels DrawLine(int width, int height, int x0, int y0, int x1, int y1) {
    PlotCanvas canvas(width, height);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
    return Painted(canvas);
}

struct StraightCase {
    int x0, y0, x1, y1;
    std::vector<std::pair<int64_t, int64_t>> expected;
};

TEST(PlotCanvasLine, HorizontalAndVerticalLinesCoverExactlyThePixelsBetweenTheEnds) {
    const StraightCase cases[] = {
        {2, 5, 6, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}}},
        {6, 5, 2, 5, {{6, 5}, {5, 5}, {4, 5}, {3, 5}}},
        {3, 1, 3, 4, {{3, 1}, {3, 2}, {3, 3}}},
        {3, 4, 3, 1, {{3, 4}, {3, 3}, {3, 2}}},
        {4, 4, 4, 4, {}},
        {0, 0, 1, 0, {{0, 0}}},
    };
    for (const StraightCase& c : cases) {
        const Pixels expected(c.expected.begin(), c.expected.end());
        EXPECT_EQ(DrawLine(10, 10, c.x0, c.y0, c.x1, c.y1), expected)
            << "(" << c.x0 << "," << c.y0 << ") to (" << c.x1 << "," << c.y1 << ")";
    }
}

TEST(PlotCanvasLine, EndPointBecomesTheCurrentPositionSoAPolylinePaintsEachJointOnce) {
    // Each segment clears its own bit in mask mode, so a joint shows which segments painted it.
    PlotCanvas canvas(20, 20);
    canvas.SetPenMode(PenMode::Mask);
    canvas.MoveTo(2, 2);
    canvas.SetPenColor(0xFFFFFE);
    canvas.LineTo(10, 2);
    canvas.SetPenColor(0xFFFFFD);
    canvas.LineTo(10, 9);
    canvas.SetPenColor(0xFFFFFB);
    canvas.LineTo(2, 9);
    EXPECT_EQ(canvas.Pixel(2, 2), 0xFFFFFEu);
    EXPECT_EQ(canvas.Pixel(10, 2), 0xFFFFFDu);
    EXPECT_EQ(canvas.Pixel(10, 9), 0xFFFFFBu);
    EXPECT_EQ(canvas.Pixel(2, 9), kWhite);  // the last end point stays unpainted
    EXPECT_EQ(Painted(canvas).size(), 8u + 7u + 8u);
}

TEST(PlotCanvasLine, SlantedLinesMatchTheReferenceWalk) {
    const int lines[][4] = {{0, 0, 19, 7},  {19, 7, 0, 0},  {3, 15, 12, 0}, {0, 0, 7, 19},
                            {5, 5, 6, 19},  {18, 1, 1, 18}, {0, 9, 19, 10}, {2, 2, 9, 9}};
    for (const auto& l : lines) {
        EXPECT_EQ(DrawLine(20, 20, l[0], l[1], l[2], l[3]), ReferenceLine(l[0], l[1], l[2], l[3]))
            << "(" << l[0] << "," << l[1] << ") to (" << l[2] << "," << l[3] << ")";
    }
}

TEST(PlotCanvasLine, LinesPartlyOutsideAreClippedToTheSamePixels) {
    const int lines[][4] = {{-30, -10, 50, 25}, {50, 25, -30, -10}, {-5, 40, 25, -20},
                            {10, -100, 12, 100}, {-100, 3, 100, 4},  {25, 25, -3, -9}};
    for (const auto& l : lines) {
        EXPECT_EQ(DrawLine(20, 20, l[0], l[1], l[2], l[3]),
                  Clipped(ReferenceLine(l[0], l[1], l[2], l[3]), 20, 20))
            << "(" << l[0] << "," << l[1] << ") to (" << l[2] << "," << l[3] << ")";
    }
}

// The renderer can hand over coordinates anywhere in the 32-bit range. Such a line must finish
// at once and paint what the walk would paint inside the bitmap. A line through P with slope
// 3/7 that starts on the lattice P - K * (7, 3) paints, near P, the same pixels as the short
// walk from P - n * (7, 3), since both start on the exact line.
TEST(PlotCanvasLine, HugeLinesPaintTheSamePixelsAsAShortWalk) {
    const int width = 615, height = 271;
    const int px = 300, py = 130;
    const int64_t k = INT_MAX / 7 - 100;
    const int64_t n = 200;
    struct Case { int sx, sy; };
    for (const Case c : {Case{7, 3}, Case{-7, 3}, Case{3, 7}, Case{3, -7}}) {
        PlotCanvas canvas(width, height);
        canvas.MoveTo(static_cast<int>(px - k * c.sx), static_cast<int>(py - k * c.sy));
        canvas.LineTo(static_cast<int>(px + k * c.sx), static_cast<int>(py + k * c.sy));
        const Pixels expected = Clipped(
            ReferenceLine(px - n * c.sx, py - n * c.sy, px + n * c.sx, py + n * c.sy), width, height);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(Painted(canvas), expected) << "slope " << c.sx << "/" << c.sy;
    }
}

TEST(PlotCanvasLine, HugeStraightAndMissingLines) {
    PlotCanvas canvas(30, 20);
    canvas.MoveTo(5, INT_MIN);
    canvas.LineTo(5, INT_MAX);
    Pixels column;
    for (int y = 0; y < 20; ++y) column.insert({5, y});
    EXPECT_EQ(Painted(canvas), column);

    PlotCanvas empty(30, 20);
    empty.MoveTo(INT_MIN, INT_MIN);
    empty.LineTo(INT_MAX, INT_MIN + 5);  // passes far above the bitmap
    empty.MoveTo(INT_MAX, INT_MAX);
    empty.LineTo(INT_MIN, INT_MAX);      // far below
    empty.MoveTo(-40, 0);
    empty.LineTo(0, 40);                 // misses the corner
    EXPECT_TRUE(Painted(empty).empty());
}

TEST(PlotCanvasPen, CopyPaintsThePenColourAndMaskAndsItWithTheOldPixel) {
    PlotCanvas canvas(10, 10);
    canvas.SetPixel(1, 1, 0x00F0F0);
    canvas.SetPenColor(0x0F00FF);
    canvas.MoveTo(0, 1);
    canvas.LineTo(3, 1);
    EXPECT_EQ(canvas.Pixel(1, 1), 0x0F00FFu);

    canvas.SetPixel(1, 2, 0x00F0F0);
    canvas.SetPenMode(PenMode::Mask);
    canvas.MoveTo(0, 2);
    canvas.LineTo(3, 2);
    EXPECT_EQ(canvas.Pixel(0, 2), 0x0F00FFu);           // white AND pen
    EXPECT_EQ(canvas.Pixel(1, 2), 0x00F0F0u & 0x0F00FFu);
    // The mode stays until it is set again.
    canvas.MoveTo(1, 2);
    canvas.LineTo(2, 2);
    EXPECT_EQ(canvas.Pixel(1, 2), 0x0000F0u);
    EXPECT_EQ(canvas.Mode(), PenMode::Mask);
}

TEST(PlotCanvasColour, PackedColoursHoldRedInTheLowByte) {
    PlotCanvas canvas(4, 4);
    canvas.SetPixel(0, 0, kRed);
    canvas.SetPixel(1, 0, 0xFF0000);  // blue
    EXPECT_EQ(qRed(canvas.Image().pixel(0, 0)), 255);
    EXPECT_EQ(qBlue(canvas.Image().pixel(0, 0)), 0);
    EXPECT_EQ(qBlue(canvas.Image().pixel(1, 0)), 255);
    EXPECT_EQ(canvas.Pixel(0, 0), kRed);
    canvas.SetPenColor(0xAB123456);  // only the colour bits count
    EXPECT_EQ(canvas.PenColor(), 0x123456u);
}

TEST(PlotCanvasClipping, EveryOperationAcceptsCoordinatesOutsideTheBitmap) {
    PlotCanvas canvas(8, 6);
    canvas.SetPixel(-1, 0, kRed);
    canvas.SetPixel(8, 0, kRed);
    canvas.SetPixel(0, 6, kRed);
    canvas.SetPixel(INT_MIN, INT_MAX, kRed);
    canvas.TextOut(INT_MAX, INT_MAX, "1234 Hz");
    canvas.TextOut(INT_MIN, INT_MIN, "1234 Hz");
    canvas.TextOut(-1000, 2, "x");
    canvas.FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_TRUE(Painted(canvas).empty());
    EXPECT_EQ(canvas.Pixel(-1, 0), kWhite);
    EXPECT_EQ(canvas.Pixel(0, INT_MAX), kWhite);
}

TEST(PlotCanvasFill, FillPaintsTheRectangleWhiteAndNothingElse) {
    PlotCanvas canvas(10, 10);
    canvas.SetPenColor(kGreen);
    for (int y = 0; y < 10; ++y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(10, y);
    }
    canvas.FillRect(2, 3, 5, 4);  // [2, 5) x [3, 4)
    EXPECT_EQ(Painted(canvas).size(), 100u - 3u);
    EXPECT_EQ(canvas.Pixel(2, 3), kWhite);
    EXPECT_EQ(canvas.Pixel(4, 3), kWhite);
    EXPECT_EQ(canvas.Pixel(5, 3), kGreen);
    canvas.Clear();
    EXPECT_TRUE(Painted(canvas).empty());
}

TEST(PlotCanvasText, TextSitsOnAnOpaqueWhiteBoxAtItsTopLeftCorner) {
    PlotCanvas canvas(120, 40);
    canvas.SetPenColor(kBlack);
    for (int y = 0; y < 40; ++y) {
        canvas.MoveTo(0, y);
        canvas.LineTo(120, y);
    }
    canvas.SetFontColor(kRed);
    canvas.TextOut(10, 5, "1234 Hz");

    // The box starts exactly at (10, 5) and only white and the font colour are inside it.
    EXPECT_EQ(canvas.Pixel(9, 5), kBlack);
    EXPECT_EQ(canvas.Pixel(10, 4), kBlack);
    EXPECT_NE(canvas.Pixel(10, 5), kBlack);
    int white = 0, red = 0, right = 10, bottom = 5;
    for (int y = 5; y < 40; ++y) {
        for (int x = 10; x < 120; ++x) {
            const uint32_t p = canvas.Pixel(x, y);
            if (p == kBlack) continue;
            EXPECT_TRUE(p == kWhite || p == kRed) << x << "," << y << " " << std::hex << p;
            (p == kWhite ? white : red) += 1;
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_GT(white, red);
    EXPECT_GT(right, 40);      // seven characters wide
    EXPECT_LT(bottom, 5 + 21); // fits the label strip under the baseline
}

TEST(PlotCanvasText, EmptyTextPaintsNothing) {
    PlotCanvas canvas(20, 20);
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(0, 3);
    canvas.LineTo(20, 3);
    canvas.TextOut(2, 2, "");
    EXPECT_EQ(Painted(canvas).size(), 20u);
}

TEST(PlotCanvasBitmap, ResizeKeepsThePictureWhereItFitsWithAtLeastOnePixel) {
    PlotCanvas canvas(10, 10);
    canvas.SetPixel(3, 3, kRed);
    canvas.SetPixel(9, 9, kGreen);
    canvas.Resize(30, 20);
    EXPECT_EQ(canvas.Width(), 30);
    EXPECT_EQ(canvas.Height(), 20);
    EXPECT_EQ(Painted(canvas), (Pixels{{3, 3}, {9, 9}}));
    canvas.Resize(5, 5);
    EXPECT_EQ(Painted(canvas), (Pixels{{3, 3}}));
    canvas.Resize(0, -5);
    EXPECT_EQ(canvas.Width(), 1);
    EXPECT_EQ(canvas.Height(), 1);
}

TEST(PlotCanvasBitmap, PresentHandsTheCurrentPictureOver) {
    PlotCanvas canvas(6, 4);
    canvas.Present();  // no presenter yet: nothing happens
    QImage shown;
    int presentations = 0;
    canvas.SetPresenter([&](const QImage& picture) {
        shown = picture;
        ++presentations;
    });
    canvas.SetPixel(2, 1, kRed);
    canvas.Present();
    EXPECT_EQ(presentations, 1);
    ASSERT_EQ(shown.size(), QSize(6, 4));
    EXPECT_EQ(PlotCanvas::ToPacked(shown.pixel(2, 1)), kRed);
}

}  // namespace
}  // namespace pirolex

namespace pirolex {
namespace {

// A picture handed out (presented, or copied by a caller) keeps what it showed, whatever is
// drawn afterwards and by whichever operation: lines, pixels, fills and text.
TEST(PlotCanvasBitmap, PicturesHandedOutDoNotChangeWithLaterDrawing) {
    PlotCanvas canvas(40, 20);
    QImage shown;
    canvas.SetPresenter([&](const QImage& picture) { shown = picture; });
    canvas.MoveTo(0, 5);
    canvas.LineTo(30, 5);  // the row pointer is now in use
    canvas.Present();
    const QImage copy = canvas.Image();
    const QImage before = shown.copy();

    canvas.SetPenColor(kRed);
    canvas.MoveTo(0, 5);
    canvas.LineTo(30, 5);
    canvas.SetPixel(1, 1, kGreen);
    canvas.Present();
    canvas.FillRect(0, 0, 40, 20);  // detaches from the second presentation
    canvas.MoveTo(0, 9);
    canvas.LineTo(0, 15);
    canvas.SetPenColor(kGreen);
    canvas.MoveTo(0, 7);
    canvas.LineTo(20, 7);

    EXPECT_TRUE(copy == before);
    EXPECT_EQ(PlotCanvas::ToPacked(shown.pixel(3, 5)), kRed) << "the second presentation";
    EXPECT_EQ(PlotCanvas::ToPacked(shown.pixel(3, 7)), kWhite) << "the second presentation";
    EXPECT_EQ(canvas.Pixel(3, 5), kWhite);
    EXPECT_EQ(canvas.Pixel(3, 7), kGreen);
    EXPECT_EQ(canvas.Pixel(0, 12), kRed);
}

}  // namespace
}  // namespace pirolex
