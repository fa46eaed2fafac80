// The span's length: shorter or longer than a picture's standard, its lines spread over it from
// its first frame to its last, and kept within 2 s and the whole recording.

#include "picture_samples.h"
#include "picture_session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pirolex {
namespace {

constexpr int32_t kRate = 8000;

// 60 s of a quiet tone with one loud second at 40 s.
Recording Minute() {
    Recording recording{kRate, {std::vector<int16_t>(60 * kRate)}};
    for (size_t i = 0; i < recording.channels[0].size(); ++i) {
        const double loud = i >= 40 * kRate && i < 41 * kRate ? 20000.0 : 500.0;
        recording.channels[0][i] = static_cast<int16_t>(loud * std::sin(2 * M_PI * 1000.0 * i / kRate));
    }
    return recording;
}

TEST(SpanLength, TheLinesSpreadOverTheSpanAsLongAsAsked) {
    const struct {
        std::optional<double> length;
        double shownSeconds;  // what the span covers
        double firstSeconds;  // where it starts: around the loudest second, within the recording
    } cases[] = {
        {std::nullopt, 60.0, 0.0},  // the standard span holds more than the minute
        {2.0, 2.0, 39.5},
        {1.0, 2.0, 39.5},  // no shorter than 2 s
        {10.0, 10.0, 35.5},
        {60.0, 60.0, 0.0},
        {600.0, 60.0, 0.0},  // no longer than the recording
    };
    for (const auto& c : cases) {
        PictureSession session;
        session.SetView(ViewForImage({615, 271}));
        session.SetSpanLength(c.length);
        session.Load(Minute());
        session.ChoosePicture(Picture::k2D);
        PlotCanvas canvas(615, 271);
        PlotEffects none;
        session.Redraw(canvas, none);
        const TimeAxis time = session.Time();
        const double first = time.spanFirst / double(kRate);
        const double end = first + c.shownSeconds;
        EXPECT_NEAR(first, c.firstSeconds, 0.05) << c.shownSeconds;
        ASSERT_GT(time.lines, 100) << c.shownSeconds;
        // The last line's block ends within the span, less than two lines' advance before its end.
        const double lastEnd = (time.FirstFrame(time.lines) + time.fftSize) / double(kRate);
        EXPECT_LE(lastEnd, end + 1e-9) << c.shownSeconds;
        EXPECT_GT(lastEnd, end - 2 * 4.0 * time.lineStep / kRate) << c.shownSeconds;
    }
}

// Made longer after the picture was drawn: the start stays where it can, the line step follows.
TEST(SpanLength, ChangingTheLengthKeepsTheStartWithinTheRecording) {
    PictureSession session;
    session.SetView(ViewForImage({615, 271}));
    session.Load(Minute(), 50.0);
    session.ChoosePicture(Picture::k2D);
    const int32_t step = session.LineStep();
    session.SetSpanLength(4.0);
    EXPECT_EQ(session.SpanFirst(), 50 * kRate);
    EXPECT_LT(session.LineStep(), step);
    session.SetSpanLength(30.0);
    EXPECT_EQ(session.SpanFirst(), 30 * kRate) << "a span of 30 s ends with the recording";
    EXPECT_EQ(session.SpanFrames(), 30 * kRate);
}

}  // namespace
}  // namespace pirolex
