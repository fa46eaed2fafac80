#pragma once
// One recording on screen or on paper: what the window shows and what `pirolex render` and
// `pirolex measure` draw and measure, held once. The window writes its controls' values into the
// settings and shows what the session returns; the command line is a session without a screen.
// So the picture the window holds and the one render writes cannot part ways, and the markers'
// speed is worked out in one place.
//
//   PictureSession session;
//   session.Load(std::move(recording));          // span around the loudest moment
//   session.EditSettings().fftExponent = 12;
//   session.SetView(ViewForImage({615, 271}));
//   session.ChoosePicture(Picture::k2D);
//   session.Redraw(canvas, effects);
//   session.SetMarker(MarkerSide::kA, session.MarkerAtColumn(122));
//   session.SetMarker(MarkerSide::kB, session.MarkerAtColumn(102));
//   std::optional<DopplerSpeed> speed = session.MarkerSpeed();

#include "doppler_speed.h"
#include "drawing.h"
#include "frequency_axis.h"
#include "marker_speed.h"
#include "picture.h"
#include "placed_marker.h"
#include "plot_canvas.h"
#include "plot_view.h"
#include "recording.h"
#include "settings.h"
#include "time_axis.h"

#include <cstdint>
#include <optional>

namespace pirolex {

class PictureSession {
public:
    // A new recording: the markers are forgotten, the picture's carried state stays (as the
    // window's always has). The span starts at startSeconds, or around the loudest moment.
    void Load(Recording recording, std::optional<double> startSeconds = std::nullopt);
    bool Loaded() const { return loaded_; }
    const Recording& GetRecording() const { return recording_; }

    // Picture, channel, FFT size, filter, band, temperature and top speed as the user set them.
    const Settings& CurrentSettings() const { return settings_; }
    Settings& EditSettings() { return settings_; }
    // The air temperature, to a tenth: the one every speed of this session is worked out at.
    double Temperature() const { return settings_.temperature; }

    const PlotView& View() const { return view_; }
    void SetView(const PlotView& view) { view_ = view; }

    // The span a long recording's picture shows, by its start in seconds (kept within the
    // recording); a recording that fits starts at 0 whatever is asked.
    void SetSpanStart(double seconds);
    double SpanStartSeconds() const { return spanStartSeconds_; }
    int64_t SpanFirst() const { return spanFirst_; }
    // How long the span is, in seconds: from 2 s up to the whole recording; none for the
    // picture's standard kMaxFrames. The start stays (kept within the recording) and the lines
    // spread over the new span as over the old. It holds for the recordings loaded after it too.
    void SetSpanLength(std::optional<double> seconds);
    std::optional<double> SpanLength() const { return spanLength_; }
    // The frames the span of this recording holds.
    int64_t SpanFrames() const;
    // How long the picture's span is, in seconds: the frames it shows of the recording.
    double ShownSeconds() const;

    // The picture, and the line step that goes with it: set when a recording loads and when the
    // picture changes, not when the FFT size does, so lines keep their moments until then.
    void ChoosePicture(Picture picture);
    int32_t LineStep() const { return lineStep_; }
    // Lines the last drawn picture has.
    int32_t Lines() const { return lines_; }

    // Draws the picture anew from the settings into the canvas (cleared first).
    PictureEnd Redraw(PlotCanvas& canvas, PlotEffects& effects);

    FrequencyAxis Axis() const;
    TimeAxis Time() const;

    // A marker on a column of the picture as it is now.
    PlacedMarker MarkerAtColumn(int32_t x) const;
    // A marker at a frequency found rather than clicked, on the column nearest to it.
    PlacedMarker MarkerAtHz(double hz, double spreadHz) const;
    // The marker moved onto the tone in the lines around row y, where the user saw it; without a
    // tone there it stays where it was clicked, and says so.
    PlacedMarker Snapped(PlacedMarker marker, int32_t y) const;
    // Its column in the picture as it is now.
    int32_t ColumnOf(const PlacedMarker& marker) const;

    const std::optional<PlacedMarker>& Marker(MarkerSide side) const;
    void SetMarker(MarkerSide side, std::optional<PlacedMarker> marker);
    void ClearMarkers();

    // The speed of two markers at the session's temperature (the formula is measure's,
    // marker_speed.h); none while either is missing.
    std::optional<DopplerSpeed> SpeedOf(const PlacedMarker& a, const PlacedMarker& b) const;
    std::optional<DopplerSpeed> MarkerSpeed() const;

    // The markers' whole measurement: their speed and what makes it doubtful; none while either
    // marker is missing. The window's label and `pirolex measure` both say it from this.
    std::optional<MarkerMeasurement> MarkersMeasured() const;

private:
    Recording recording_;
    bool loaded_ = false;
    Settings settings_ = StartupSettings();
    PlotView view_;
    double spanStartSeconds_ = 0.0;
    int64_t spanFirst_ = 0;
    std::optional<double> spanLength_;
    int32_t lineStep_ = 0;
    int32_t lines_ = 0;
    PictureState picture_;
    std::optional<PlacedMarker> markerA_;
    std::optional<PlacedMarker> markerB_;
};

}  // namespace pirolex
