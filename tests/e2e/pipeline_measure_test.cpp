// The measurement without the window, over the whole range of model aircraft speeds: a synthetic
// fly-by loaded, computed in 2D, the two tone tracks found in the picture and clicked through the
// marker handler. The window suite covers fewer speeds, the user's way.
#include "markers.h"
#include "measure_fixture.h"
#include "recompute.h"
#include "tone_track.h"
#include "wav_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace pirolex::test {
namespace {

class LabelEffects : public Effects {
public:
    std::string label;
    void SpeedLabel(const std::string& text) override { label = text; }
};

class PipelineMeasure : public ::testing::TestWithParam<FlybyCase> {};

TEST_P(PipelineMeasure, ClickedTonesGiveTheFlyingSpeedWithinTheShownResolution) {
    const FlybyCase c = GetParam();
    const std::vector<uint8_t> wav = flyby::MakeWav(ParamsFor(c));
    auto session = std::make_unique<Session>();
    AnalysisState& state = session->state;
    PlotCanvas canvas(615, 271);
    LabelEffects effects;
    Controls controls;
    controls.Temperature = c.temperature;
    state.GraphMode = 2;
    state.DisplayFilter = true;
    state.FFTExponent = 10;
    FFTinit(state, session->analysis.fft);
    MemorySource source(wav.data(), wav.size());
    LoadWav(source, state, effects);
    state.WaveOpened = true;  // what the load command sets around the parse
    state.FileLoaded = true;
    state.LineStep = Optimum(state);
    Recompute(*session, canvas, controls, effects);

    const double seconds = state.StoredCount / double(state.SampleRate);
    const int approach = FindToneColumn(canvas.Image(), state, LinesBetween(state, 0, 1.5));
    const int recede =
        FindToneColumn(canvas.Image(), state, LinesBetween(state, seconds - 1.6, seconds));
    ASSERT_GT(approach, 10);
    ASSERT_GT(recede, 10);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Left, approach, 100);
    Image1MouseDown(state, canvas, controls, effects, MouseButton::Right, recede, 100);
    const SpeedReading r = ParseSpeedLabel(effects.label);
    ASSERT_TRUE(r.ok) << effects.label;
    EXPECT_NEAR(r.speed, c.speedKmh, r.resolution + 1.0)
        << effects.label << " columns " << approach << " " << recede;
}

// 40 to 250 km/h, cold air at 44100 Hz and warm air at 48000 Hz.
std::vector<FlybyCase> SpeedRange() {
    std::vector<FlybyCase> cases;
    for (int speed = 40; speed <= 260; speed += 30) {
        cases.push_back({double(speed), -20, 1, 44100});
        cases.push_back({double(speed), 40, 2, 48000});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Flybys, PipelineMeasure, ::testing::ValuesIn(SpeedRange()),
                         [](const auto& info) { return CaseName(info.param); });

}  // namespace
}  // namespace pirolex::test
