#pragma once
// The window's recording, analysis and PlotBitmap without the window: the start-up values, the
// load, and the recompute or the two marker clicks, in the order the window runs them, so that
// what comes out is what the window would hold. `pirolex render` and `pirolex measure` run on it.

#include "plot_canvas.h"
#include "plot_request.h"
#include "session.h"

#include <cstdint>
#include <memory>
#include <string>

namespace pirolex {

// Start-up values (2D, the FFT tables), then the request's FFT size and the plot scales for its
// window size. No Qt needed.
std::unique_ptr<Session> StartSession(const PlotRequest& request);

// The load command on request.file; throws RuntimeError with the German reason. No Qt needed.
void LoadRecording(Session& session, const std::string& path);

// A canvas of the plot image's size for the request's window size. Needs a QGuiApplication.
PlotCanvas MakePlotBitmap(const PlotRequest& request);

// What the window draws when it opens the file with the request's controls already set and the
// picture mode is then chosen: the load's recompute, and for 3D or 1D the mode's recompute after
// it. Without pauses: the 1D picture is that of the last line. Returns what the window would say
// about the picture (that the recording is shorter than one FFT block), or nothing.
std::string DrawPlot(Session& session, PlotCanvas& canvas, const PlotRequest& request);

struct Measurement {
    std::string speedText;  // the speed label's text
    int32_t columnA = 0;
    int32_t columnB = 0;
};

// The plot column (1 .. width - 1) whose frequency label is nearest to hz; the lower one on a tie.
int32_t NearestColumn(const AnalysisState& state, int width, double hz);

// Marker A (left button) and B (right button) at the columns nearest to the request's two
// frequencies, in the 2D picture, as two clicks on the window's plot would place them.
Measurement MeasureSpeed(Session& session, PlotCanvas& canvas, const PlotRequest& request);

}  // namespace pirolex
