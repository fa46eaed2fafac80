#include "picture_session.h"

#include "marker_speed.h"
#include "picture_span.h"
#include "spectrogram_pass.h"
#include "spectrogram_renderer.h"
#include "tone_snap.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pirolex {

namespace {

// The axis a marker was placed on.
FrequencyAxis PlacedAxis(const Recording& recording, const PlacedMarker& marker) {
    return AxisFor(recording, marker.settings, marker.view);
}

// Whether two frames put every frequency on the same column.
bool SameColumns(const PlotView& viewA, const Settings& settingsA, const PlotView& viewB,
                 const Settings& settingsB) {
    return viewA.plotLeft == viewB.plotLeft && viewA.xScale == viewB.xScale &&
           settingsA.bandLowHz == settingsB.bandLowHz && settingsA.bandHighHz == settingsB.bandHighHz;
}

// The column of a fractional one. A marker far outside the plot is still kept, on a column the
// canvas clips.
int32_t WholeColumn(double x) {
    if (std::isnan(x)) return 0;
    return static_cast<int32_t>(std::clamp(std::nearbyint(x), -1.0e6, 1.0e6));
}

// What the marker's speed needs of it.
MarkerReading ReadingOf(const Recording& recording, const PlacedMarker& marker) {
    return {.hz = marker.hz,
            .spreadHz = marker.spreadHz,
            .clickedTone = marker.clickedTone,
            .snapMissed = marker.snapMissed,
            .column = marker.column,
            .axis = PlacedAxis(recording, marker)};
}

}  // namespace

void PictureSession::Load(Recording recording, std::optional<double> startSeconds) {
    recording_ = std::move(recording);
    loaded_ = true;
    ClearMarkers();
    lines_ = 0;
    SetSpanStart(startSeconds ? *startSeconds : LoudestSpanStart(recording_, SpanFrames()));
}

void PictureSession::SetSpanStart(double seconds) {
    spanStartSeconds_ = seconds;
    spanFirst_ = SpanFirstFrame(recording_, seconds, SpanFrames());
}

int64_t PictureSession::SpanFrames() const {
    return spanLength_ ? SpanFramesFor(recording_, *spanLength_) : kMaxFrames;
}

double PictureSession::ShownSeconds() const {
    return recording_.sampleRate > 0
               ? static_cast<double>(ShownFrames(recording_, SpanFrames())) / recording_.sampleRate
               : 0.0;
}

void PictureSession::SetSpanLength(std::optional<double> seconds) {
    spanLength_ = seconds;
    SetSpanStart(spanStartSeconds_);
    // Before the first picture there is no line step to follow the span yet.
    if (lineStep_ != 0) ChoosePicture(settings_.picture);
}

void PictureSession::ChoosePicture(Picture picture) {
    settings_.picture = picture;
    lineStep_ = pirolex::LineStep(picture, ShownFrames(recording_, SpanFrames()), settings_.FftMask());
}

PictureEnd PictureSession::Redraw(PlotCanvas& canvas, PlotEffects& effects) {
    const PictureEnd end = DrawPicture(recording_, settings_, lineStep_, picture_, canvas, view_, effects,
                                       spanFirst_, SpanFrames());
    lines_ = end.lines;
    return end;
}

FrequencyAxis PictureSession::Axis() const {
    return AxisFor(recording_, settings_, view_);
}

TimeAxis PictureSession::Time() const {
    return TimeAxis{recording_.sampleRate, settings_.FftSize(), lineStep_, spanFirst_, lines_, recording_.FrameCount()};
}

PlacedMarker PictureSession::MarkerAtColumn(int32_t x) const {
    PlacedMarker marker;
    marker.settings = settings_;
    marker.view = view_;
    marker.column = x;
    marker.hz = Axis().HzAtColumn(x);
    return marker;
}

PlacedMarker PictureSession::MarkerAtHz(double hz, double spreadHz) const {
    PlacedMarker marker;
    marker.settings = settings_;
    marker.view = view_;
    marker.hz = hz;
    marker.spreadHz = spreadHz;
    marker.column = WholeColumn(Axis().ColumnOfHz(hz));
    return marker;
}

// A click below or above the lines takes the nearest ones.
PlacedMarker PictureSession::Snapped(PlacedMarker marker, int32_t y) const {
    marker.snapMissed = true;
    if (lines_ < 1) return marker;
    const int32_t snapFrames = SnapBlockFrames(marker.settings.FftSize(), marker.hz, recording_.sampleRate);
    const std::vector<int64_t> blockStarts =
        BlocksAroundLine(LineAtRow(view_, y), lines_, lineStep_, spanFirst_, snapFrames);
    const std::optional<SnappedTone> tone = SnapToTone(
        recording_, marker.settings.channel, marker.settings.FftSize(), marker.hz, blockStarts);
    if (!tone) return marker;
    PlacedMarker snapped = MarkerAtHz(tone->hz, tone->spreadHz);
    snapped.clickedTone = tone;
    return snapped;
}

int32_t PictureSession::ColumnOf(const PlacedMarker& marker) const {
    if (SameColumns(marker.view, marker.settings, view_, settings_)) return marker.column;
    return WholeColumn(Axis().ColumnOfHz(marker.hz));
}

const std::optional<PlacedMarker>& PictureSession::Marker(MarkerSide side) const {
    return side == MarkerSide::kA ? markerA_ : markerB_;
}

void PictureSession::SetMarker(MarkerSide side, std::optional<PlacedMarker> marker) {
    (side == MarkerSide::kA ? markerA_ : markerB_) = std::move(marker);
}

void PictureSession::ClearMarkers() {
    markerA_.reset();
    markerB_.reset();
}

std::optional<DopplerSpeed> PictureSession::SpeedOf(const PlacedMarker& a, const PlacedMarker& b) const {
    return MarkerPairSpeed(ReadingOf(recording_, a), ReadingOf(recording_, b),
                           SameColumns(a.view, a.settings, b.view, b.settings), Temperature());
}

std::optional<MarkerMeasurement> PictureSession::MarkersMeasured() const {
    if (!markerA_ || !markerB_) return std::nullopt;
    const PlacedMarker& a = *markerA_;
    const PlacedMarker& b = *markerB_;
    return MeasureMarkerPair(ReadingOf(recording_, a), ReadingOf(recording_, b),
                             SameColumns(a.view, a.settings, b.view, b.settings), Temperature(), settings_.maxSpeedKmh);
}

std::optional<DopplerSpeed> PictureSession::MarkerSpeed() const {
    if (!markerA_ || !markerB_) return std::nullopt;
    return SpeedOf(*markerA_, *markerB_);
}

}  // namespace pirolex
