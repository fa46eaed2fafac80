// The rolling picture: the newest line on top, the older ones a row further down each time, a
// tone in the column of its frequency, and the rows' seconds before now.
#include "rolling_picture.h"

#include <gtest/gtest.h>

#include <vector>

namespace pirolex {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 50;

// A line of -150 dB with one bin at 0 dB.
std::vector<double> LineWithTone(int32_t bins, int32_t toneBin) {
    std::vector<double> levels(static_cast<size_t>(bins), -150.0);
    if (toneBin >= 0) levels[static_cast<size_t>(toneBin)] = 0.0;
    return levels;
}

TEST(RollingPicture, TheNewestLineIsOnTopAndTheOlderOnesMoveDown) {
    // 8000 Hz, 1024 points: 4000 Hz over 200 columns, 20 Hz a column, 7.8125 Hz a bin.
    RollingPicture picture(kWidth, kHeight, {.sampleRate = 8000, .fftSize = 1024, .hopFrames = 400});
    const std::vector<double> tone = LineWithTone(512, 128);  // 1000 Hz: column 50
    const std::vector<double> quiet = LineWithTone(512, -1);
    picture.AddLine({1, 0, tone, {}});
    const QRgb bright = picture.Image().pixel(50, 0);
    const QRgb foot = picture.Image().pixel(49, 0);
    EXPECT_NE(bright, foot);
    for (int x = 0; x < kWidth; ++x) {
        if (x != 50) {
            ASSERT_EQ(picture.Image().pixel(x, 0), foot) << x;
        }
    }
    for (int i = 2; i <= 4; ++i) picture.AddLine({i, 0, quiet, {}});
    // Three lines later the tone is three rows down, and the rows above it are quiet.
    EXPECT_EQ(picture.Image().pixel(50, 3), bright);
    for (int y : {0, 1, 2, 4}) EXPECT_EQ(picture.Image().pixel(50, y), foot) << y;
    EXPECT_DOUBLE_EQ(picture.SecondsBeforeNewest(3), 3 * 400 / 8000.0);
    // After the picture's height of lines the tone has left at the bottom.
    for (int i = 5; i <= kHeight + 1; ++i) picture.AddLine({i, 0, quiet, {}});
    for (int y = 0; y < kHeight; ++y) ASSERT_EQ(picture.Image().pixel(50, y), foot) << y;
}

TEST(RollingPicture, ABandSpreadsItsBinsOverTheColumns) {
    // 900-1100 Hz over 200 columns: a column is 1 Hz, a bin 7.8 Hz, so the bin at 1000 Hz
    // (128) fills the columns from 992.2 Hz to 1000 Hz.
    RollingPicture picture(kWidth, kHeight, {.sampleRate = 8000, .fftSize = 1024, .hopFrames = 400,
                                             .fromHz = 900, .toHz = 1100});
    picture.AddLine({1, 0, LineWithTone(512, 127), {}});
    const QRgb foot = picture.Image().pixel(0, 0);
    for (int x = 0; x < kWidth; ++x) {
        const double hz = picture.ColumnHz(x);
        const bool inBin = hz >= 127 * 7.8125 && hz < 128 * 7.8125;
        EXPECT_EQ(picture.Image().pixel(x, 0) != foot, inBin) << x << " at " << hz << " Hz";
    }
}

}  // namespace
}  // namespace pirolex
