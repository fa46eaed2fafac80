#pragma once
// The window's picture session without the window: the load, then the recompute (or the two
// marker clicks) in the order the window runs them, so that what comes out is what the window
// would hold. `pirolex render` and `pirolex measure` run on it.

#include "doppler_speed.h"
#include "picture_session.h"
#include "plot_canvas.h"
#include "plot_request.h"
#include "recording_file.h"
#include "tone_snap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pirolex {

// A loaded recording in a session with the request's settings, its span from --start or around
// the loudest moment, as the window chooses it.
struct OffscreenPlot {
    PictureSession session;
    int32_t channels = 0;  // as the file states them
};

// Reads request.file as the window does (any format, other than WAV through `decoder`); throws
// its Failure. No Qt needed.
std::unique_ptr<OffscreenPlot> LoadPlot(const PlotRequest& request, FileDecoder decoder);

// A canvas of the plot image's size for the request's window size. Needs a QGuiApplication.
PlotCanvas MakePlotBitmap(const PlotRequest& request);

// What the window draws when it opens the file with the request's controls already set and the
// picture is then chosen: the load's recompute in 2D, and for 3D or 1D the recompute after the
// click on the picture. Without pauses: the 1D picture is that of the last line. Returns whether
// the recording was shorter than one FFT block (the picture is then its frame alone).
bool DrawPlot(OffscreenPlot& plot, PlotCanvas& canvas, const PlotRequest& request);

struct Measurement {
    std::optional<DopplerSpeed> speed;
    // The speed line as the window's label says it, doubts included.
    std::string speedLine;
    int32_t columnA = 0;
    int32_t columnB = 0;
    std::string labelA;  // the columns' frequency labels, "4824 Hz"
    std::string labelB;
};

// Marker A (left button) and B (right button) at the plot columns whose frequency labels are
// nearest to the request's two frequencies, and the speed they give, as two clicks on the
// window's 2D picture would.
Measurement MeasureSpeed(OffscreenPlot& plot, const PlotCanvas& canvas, const PlotRequest& request);

// Marker A snapped to the tone nearest the request's first frequency in the picture's first
// 15 % of lines, B to the one nearest its second in the last 15 %, and their speed; no tone for
// a marker that finds none, and then no speed. A marker given a moment (--at-a, --at-b) snaps
// in the line nearest it and five on either side, as a click there in the window; the speed
// then owns up to what the remaining distance to the pass holds back of each tone.
struct SnappedMeasurement {
    std::optional<SnappedTone> a;
    std::optional<SnappedTone> b;
    std::optional<DopplerSpeed> speed;
    std::string speedLine;  // as the window says it
    int32_t lineA = 0;  // the clicked line of a marker given a moment
    int32_t lineB = 0;
};
SnappedMeasurement MeasureSnapped(OffscreenPlot& plot, const PlotRequest& request);

}  // namespace pirolex
