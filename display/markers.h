#pragma once
// The measurement: frequency labels, the two markers and the Doppler speed.

#include "analysis_state.h"
#include "controls.h"
#include "effects.h"
#include "plot_canvas.h"

#include <cstdint>

namespace pirolex {

enum class MouseButton { Left, Right, Other };

// Writes "<f> Hz" for plot column x at (x, BaselineY) in the given colour, then presents.
void FrequenzMarke(const AnalysisState& state, PlotCanvas& canvas, Effects& effects, int32_t x,
                   uint32_t colour);
// Speed and resolution into the speed label once both markers are set.
void Speed(const AnalysisState& state, const Controls& controls, Effects& effects);
void Image1MouseDown(AnalysisState& state, PlotCanvas& canvas, const Controls& controls,
                     Effects& effects, MouseButton button, int x, int y);

}  // namespace pirolex
