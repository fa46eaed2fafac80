#pragma once
// grafik: draws one finished spectrogram line into PlotBitmap in the chosen picture.

#include "controls.h"
#include "effects.h"
#include "plot_canvas.h"
#include "session.h"

namespace pirolex {

void grafik(Session& session, PlotCanvas& canvas, const Controls& controls, Effects& effects);

}  // namespace pirolex
