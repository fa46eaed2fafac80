#pragma once
// The measurement: frequency labels, the two markers and the Doppler speed.

#include "analysis_state.h"
#include "controls.h"
#include "effects.h"
#include "plot_canvas.h"

#include <cstdint>
#include <string>

namespace pirolex {

enum class MouseButton { Left, Right, Other };

// Packed colours (red in the low byte) of the two markers.
inline constexpr uint32_t kMarkerGreen = 0x008000;  // MarkerA, left button
inline constexpr uint32_t kMarkerRed = 0x0000FF;    // MarkerB, right button

// "<f> Hz" for plot column x: the nearest whole number to the column's frequency + 0.4.
std::string FrequencyLabel(const AnalysisState& state, int32_t x);
// Writes FrequencyLabel(x) at (x, BaselineY) in the given colour, then presents.
void FrequenzMarke(const AnalysisState& state, PlotCanvas& canvas, Effects& effects, int32_t x,
                   uint32_t colour);
// Speed and resolution into the speed label once both markers are set, or that they give none.
void Speed(const AnalysisState& state, const Controls& controls, Effects& effects);
// Mouse-down on the plot, in plot bitmap pixels: places a marker in 2D.
void Image1MouseDown(AnalysisState& state, PlotCanvas& canvas, const Controls& controls,
                     Effects& effects, MouseButton button, int x, int y);
// A new air temperature: the same markers, a new speed of sound.
void SpinEdit1Change(const AnalysisState& state, const Controls& controls, Effects& effects);

}  // namespace pirolex
