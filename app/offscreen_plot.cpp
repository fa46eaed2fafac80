#include "offscreen_plot.h"

#include "effects.h"
#include "fft_engine.h"
#include "markers.h"
#include "recompute.h"
#include "spectrogram_pass.h"
#include "wav_reader.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace pirolex {

namespace {

// Keeps the speed label's text; every other effect (presenting, pauses, labels) has no screen.
class SpeedRecorder : public Effects {
public:
    void SpeedLabel(const std::string& text) override { speed = text; }
    std::string speed;
};

// Keeps what the window would say about the picture.
class NoticeRecorder : public Effects {
public:
    void PlotNotice(const std::string& text) override { notice = text; }
    std::string notice;
};

constexpr int32_t kTwoD = 2;

// The label's number: "4436 Hz" -> 4436.
double LabelHz(const AnalysisState& state, int32_t x) {
    return std::strtod(FrequencyLabel(state, x).c_str(), nullptr);
}

}  // namespace

std::unique_ptr<Session> StartSession(const PlotRequest& request) {
    auto session = std::make_unique<Session>();
    AnalysisState& state = session->state;
    state.GraphMode = kTwoD;
    state.AutoStep = true;
    state.DisplayFilter = true;
    SetFFTExponent(state, 10);
    FFTinit(state, session->analysis.fft);
    SetFFTExponent(state, request.fftExponent);
    state.FilterCount = ZWEIpower(request.fftExponent);
    SetPlotGeometry(state, PlotImageSize(request.outerWidth, request.outerHeight));
    return session;
}

void LoadRecording(Session& session, const std::string& path) {
    AnalysisState& state = session.state;
    state.FileName = path;
    Effects none;
    OpenWavefile(state, none);
    state.FileLoaded = true;
    state.LineStep = Optimum(state);
}

PlotCanvas MakePlotBitmap(const PlotRequest& request) {
    const PlotSize image = PlotImageSize(request.outerWidth, request.outerHeight);
    return PlotCanvas(image.width, image.height);
}

// The window's load recomputes in 2D; any other picture needs a click on the picture's radio
// group after it, with a new line step. The first recompute is not wasted: it leaves the adaptive
// threshold and the canvas's pen mode where the window would have them for the second.
std::string DrawPlot(Session& session, PlotCanvas& canvas, const PlotRequest& request) {
    AnalysisState& state = session.state;
    state.ChannelSelect = request.channelSelect;
    NoticeRecorder effects;
    Recompute(session, canvas, request.controls, effects);
    if (request.graphMode == state.GraphMode) return effects.notice;
    state.GraphMode = request.graphMode;
    state.LineStep = Optimum(state);
    effects.notice.clear();
    Recompute(session, canvas, request.controls, effects);
    return effects.notice;
}

int32_t NearestColumn(const AnalysisState& state, int width, double hz) {
    int32_t best = 1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int32_t x = 1; x < width; ++x) {
        const double distance = std::fabs(LabelHz(state, x) - hz);
        if (distance < bestDistance) {
            best = x;
            bestDistance = distance;
        }
    }
    return best;
}

Measurement MeasureSpeed(Session& session, PlotCanvas& canvas, const PlotRequest& request) {
    AnalysisState& state = session.state;
    state.GraphMode = kTwoD;
    Measurement m;
    m.columnA = NearestColumn(state, canvas.Width(), request.frequencyA);
    m.columnB = NearestColumn(state, canvas.Width(), request.frequencyB);
    SpeedRecorder recorder;
    Image1MouseDown(state, canvas, request.controls, recorder, MouseButton::Left, m.columnA, 0);
    Image1MouseDown(state, canvas, request.controls, recorder, MouseButton::Right, m.columnB, 0);
    m.speedText = recorder.speed;
    return m;
}

}  // namespace pirolex
