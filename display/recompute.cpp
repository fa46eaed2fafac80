#include "recompute.h"

#include "markers.h"
#include "renderer.h"

namespace pirolex {

namespace {

// Every pass starts without markers: their columns belong to the picture being replaced.
void ClearMeasurement(AnalysisState& state, const Controls& controls, Effects& effects) {
    state.MarkerA = 0;
    state.MarkerB = 0;
    effects.SpeedLabel("");
    Speed(state, controls, effects);
}

void RunChannel(int32_t channel, Session& session, PlotCanvas& canvas, const Controls& controls,
                Effects& effects) {
    session.state.DrawChannel = channel;
    ClearMeasurement(session.state, controls, effects);
    ChannelPass(session.state, session.analysis, controls, effects,
                [&] { grafik(session, canvas, controls, effects); });
}

}  // namespace

void Recompute(Session& session, PlotCanvas& canvas, const Controls& controls, Effects& effects) {
    AnalysisState& state = session.state;
    if (!state.FileLoaded) return;
    effects.ImageHint(false);
    canvas.Clear();
    // "beide" draws the right channel into the picture the left one left (see the pen modes).
    if (state.ChannelSelect == 0 || state.ChannelSelect == 2)
        RunChannel(kLeft, session, canvas, controls, effects);
    if (state.ChannelSelect == 1 || state.ChannelSelect == 2)
        RunChannel(kRight, session, canvas, controls, effects);
    // Clicks measure only in the 2D picture, so only there is the hint shown.
    effects.ImageHint(state.GraphMode == 2);
    effects.PresentPlot();
}

}  // namespace pirolex
