// A whole picture: the canvas cleared, a pass per chosen channel, the frame alone where the
// recording has no complete block, and what the picture carries to the next one.
#include "picture.h"
#include "render_fixture.h"

#include <cmath>
#include <memory>

namespace pirolex::test {
namespace {

Recording Stereo(int32_t frames, double hz = 1000.0) {
    Recording r;
    r.sampleRate = 44100;
    r.channels.assign(2, std::vector<int16_t>(static_cast<size_t>(frames)));
    for (int32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(std::lround(20000 * std::sin(2 * M_PI * hz * i / 44100.0)));
        r.channels[0][i] = v;
        r.channels[1][i] = static_cast<int16_t>(v / 2);
    }
    return r;
}

class PictureTest : public RenderTest {
protected:
    PictureEnd Draw(const Recording& recording, int32_t lineStep = 0) {
        return DrawPicture(recording, settings, lineStep, *state, canvas, view, effects);
    }
    std::unique_ptr<PictureState> state = std::make_unique<PictureState>();
};

// Without a complete block each pass draws only its frame, whose two labels present the plot,
// and hides the gauge; the picture is presented once more at the end.
TEST_F(PictureTest, ClearsThePlotAndDrawsAPassPerChannel) {
    const std::string labels = "PresentPlot";
    const struct {
        Channel channel;
        Picture picture;
        std::vector<std::string> calls;
    } cases[] = {
        {Channel::kLeft, Picture::k2D, {labels, labels, "ShowGauge:0", "PresentPlot"}},
        {Channel::kRight, Picture::k2D, {labels, labels, "ShowGauge:0", "PresentPlot"}},
        {Channel::kBoth, Picture::k3D,
         {labels, labels, "ShowGauge:0", labels, labels, "ShowGauge:0", "PresentPlot"}},
        {Channel::kLeft, Picture::k1D, {"ShowGauge:1", labels, labels, "ShowGauge:0", "PresentPlot"}},
    };
    const Recording empty = Stereo(0);
    for (const auto& c : cases) {
        effects.calls.clear();
        settings.channel = c.channel;
        settings.picture = c.picture;
        canvas.SetPixel(5, 5, kBlack);
        const PictureEnd end = Draw(empty);
        EXPECT_EQ(effects.Only({"ShowGauge:", "PresentPlot"}), c.calls);
        EXPECT_TRUE(end.tooShort);
        EXPECT_EQ(end.lines, 0);
        EXPECT_EQ(Px(5, 5), kWhite);
    }
}

// A recording shorter than one block: each picture still gets its frame and axis labels (black
// text below the baseline at 0 Hz).
TEST_F(PictureTest, ShortRecordingGetsTheFrame) {
    settings.channel = Channel::kBoth;
    settings.fftExponent = 9;
    for (Picture picture : {Picture::k3D, Picture::k2D, Picture::k1D}) {
        settings.picture = picture;
        EXPECT_TRUE(Draw(Stereo(512 + 2)).tooShort);
        int labelInk = 0;
        for (int y = 250; y < kDesignHeight; ++y)
            for (int x = 10; x < 60; ++x) labelInk += Px(x, y) == kBlack;
        EXPECT_GT(labelInk, 10);
        if (picture == Picture::k3D) {
            EXPECT_EQ(Px(60, 150), Rgb(0x008000));  // a depth line
        }
    }
    EXPECT_FALSE(Draw(Stereo(512 + 3)).tooShort);
}

// "beide": the right channel is ANDed into the left one's picture, and its caption is the end's.
TEST_F(PictureTest, BothChannelsDrawIntoOnePictureAndCarryTheLimit) {
    settings.channel = Channel::kBoth;
    const Recording tone = Stereo(60000);
    const int32_t step = LineStep(settings.picture, tone.FrameCount(), settings.FftMask());
    const PictureEnd end = Draw(tone, step);
    EXPECT_FALSE(end.tooShort);
    EXPECT_EQ(end.lines, 202);  // step (60000 - 1023) / 800 = 73, lines 292 frames apart
    ASSERT_TRUE(end.caption);
    EXPECT_EQ(canvas.Mode(), PenMode::Mask);
    // 1000 Hz is bin 23 of 1024 at 44100 Hz: column 33, black where both channels have it.
    EXPECT_EQ(Px(33, 200), kBlack);
    settings.channel = Channel::kLeft;
    settings.filterMode = FilterMode::kThreshold;
    settings.threshold = 5;
    Draw(tone, step);
    EXPECT_LE(std::abs(state->filterLimit - 5), 1) << "the threshold's single step is carried";
    EXPECT_EQ(canvas.Mode(), PenMode::Copy);
}

// "Pegel" at its defaults puts the top colour at the recording's loudest bin: a tone 50 dB
// under full scale is yellow, where the fixed scale (gain 0, 90 dB) leaves it mid teal.
TEST_F(PictureTest, AutomaticLevelMakesTheLoudestBinBright) {
    Recording quiet;
    quiet.sampleRate = 44100;
    quiet.channels.assign(1, std::vector<int16_t>(44100));
    for (size_t i = 0; i < quiet.channels[0].size(); ++i)
        quiet.channels[0][i] = static_cast<int16_t>(std::lround(100 * std::sin(2 * M_PI * 1000.0 * i / 44100.0)));
    settings.picture = Picture::kLevel;
    settings.channel = Channel::kLeft;
    const int32_t step = LineStep(Picture::kLevel, quiet.FrameCount(), settings.FftMask());
    // The red of the reddest scale colour in line 10 (red in the low byte; white, blue and all,
    // is no scale colour).
    const auto reddest = [&] {
        int red = 0;
        for (int x = 10; x <= 522; ++x) {
            const uint32_t colour = Px(x, LineRow(view, 10));
            if ((colour >> 16 & 0xFF) < 0x80) red = std::max<int>(red, colour & 0xFF);
        }
        return red;
    };
    Draw(quiet, step);
    EXPECT_GE(reddest(), 0xF0);
    settings.levelAutomatic = false;
    Draw(quiet, step);
    EXPECT_LT(reddest(), 0x60);
}

}  // namespace
}  // namespace pirolex::test
