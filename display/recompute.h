#pragma once
// The full recompute behind the "Berechnung der Grafik" button and every control that redraws.

#include "controls.h"
#include "effects.h"
#include "plot_canvas.h"
#include "session.h"

namespace pirolex {

void Recompute(Session& session, PlotCanvas& canvas, const Controls& controls, Effects& effects);

}  // namespace pirolex
