#include "plot_source.h"

#include "messages.h"
#include "picture_session.h"
#include "rolling_picture.h"
#include "spectrogram_renderer.h"

namespace pirolex {

bool SessionPicture::Drawn() const { return loaded_ && session_.GetRecording().sampleRate > 0; }

std::vector<RulerTick> SessionPicture::FrequencyTicks(int width) const {
    return Drawn() ? pirolex::FrequencyTicks(session_.Axis(), width) : std::vector<RulerTick>{};
}

std::vector<RulerTick> SessionPicture::TimeTicks(int height) const {
    if (!Drawn() || !TraitsOf(session_.CurrentSettings().picture).timeUpwards) return {};
    return pirolex::TimeTicks(session_.View(), height, session_.Time());
}

// A failed load leaves the picture shown, and it goes on taking clicks.
bool SessionPicture::TakesClicks() const {
    return session_.GetRecording().sampleRate > 0 && TraitsOf(session_.CurrentSettings().picture).timeUpwards;
}

bool SessionPicture::TakesBand() const {
    return session_.GetRecording().sampleRate > 0 && TraitsOf(session_.CurrentSettings().picture).bandDrag;
}

// The time is the middle of the block the line under the cursor was computed from; the speed is
// what a right click there would give, snap included (a dozen blocks, quick enough for every
// move). A plot too narrow for an axis has nothing to read out.
std::string SessionPicture::Readout(int x, int y, int height, bool snap) const {
    try {
        if (!loaded_ || !TakesClicks()) return "";
        const FrequencyAxis axis = session_.Axis();
        if (x < axis.PlotLeft() || x > axis.EndColumn() || y < 0 || y >= height) return "";
        std::optional<double> seconds;
        const int32_t line = LineAtRow(session_.View(), y);
        if (line >= 1 && line <= session_.Lines()) seconds = session_.Time().Seconds(line);
        std::string readout = texts::CursorReadout(axis.HzAtColumn(x), seconds);
        if (const std::optional<PlacedMarker>& a = session_.Marker(MarkerSide::kA)) {
            const PlacedMarker clicked = session_.MarkerAtColumn(x);
            readout += "  " + texts::CursorSpeed(session_.SpeedOf(*a, snap ? session_.Snapped(clicked, y) : clicked));
        }
        return readout;
    } catch (const std::exception&) {
        return "";
    }
}

std::vector<RulerTick> RollingSource::FrequencyTicks(int /*width*/) const { return RollingFrequencyTicks(picture_); }

std::vector<RulerTick> RollingSource::TimeTicks(int /*height*/) const { return RollingTimeTicks(picture_); }

// Seconds before the newest line, where a line has arrived.
std::string RollingSource::Readout(int x, int y, int /*height*/, bool /*snap*/) const {
    const QImage& image = picture_.Image();
    if (x < 0 || x >= image.width() || y < 0 || y >= image.height()) return "";
    std::optional<double> seconds;
    if (y < picture_.LinesAdded()) seconds = picture_.SecondsBeforeNewest(y);
    return texts::CursorReadout(picture_.ColumnHz(x), seconds);
}

}  // namespace pirolex
