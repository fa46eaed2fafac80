// Temporary: empty bodies until the renderer, the markers and the recompute are written.
#include "markers.h"
#include "recompute.h"
#include "renderer.h"

namespace pirolex {
void grafik(Session&, PlotCanvas&, const Controls&, Effects&) {}
void FrequenzMarke(const AnalysisState&, PlotCanvas&, Effects&, int32_t, uint32_t) {}
void Speed(const AnalysisState&, const Controls&, Effects&) {}
void Image1MouseDown(AnalysisState&, PlotCanvas&, const Controls&, Effects&, MouseButton, int, int) {}
void Recompute(Session&, PlotCanvas&, const Controls&, Effects&) {}
}  // namespace pirolex
