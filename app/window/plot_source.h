#pragma once
// The picture the plot shows: the session's (a loaded recording) or the rolling one while
// listening. Whatever describes or reads the plot asks the picture shown, so the rulers, a click,
// the readout under the cursor and a redraw after a resize cannot act on another picture than the
// one on screen.

#include "ruler.h"

#include <optional>
#include <string>
#include <vector>

namespace pirolex {

class PictureSession;
class RollingPicture;

class PlotSource {
public:
    virtual ~PlotSource() = default;
    virtual std::vector<RulerTick> FrequencyTicks(int width) const = 0;
    virtual std::vector<RulerTick> TimeTicks(int height) const = 0;
    // True when the time ruler's values grow downwards (seconds before now).
    virtual bool TimeDownwards() const = 0;
    // Clicks place markers; a drag with the middle button chooses a band.
    virtual bool TakesClicks() const = 0;
    virtual bool TakesBand() const = 0;
    // What lies under the cursor, empty off the picture's axis; `snap` as "Spitze suchen" says.
    virtual std::string Readout(int x, int y, int height, bool snap) const = 0;
};

// A loaded recording's picture, as the session last drew it; nothing before the first load.
class SessionPicture : public PlotSource {
public:
    SessionPicture(const PictureSession& session, const bool& loaded) : session_(session), loaded_(loaded) {}
    std::vector<RulerTick> FrequencyTicks(int width) const override;
    std::vector<RulerTick> TimeTicks(int height) const override;
    bool TimeDownwards() const override { return false; }
    bool TakesClicks() const override;
    bool TakesBand() const override;
    std::string Readout(int x, int y, int height, bool snap) const override;

private:
    bool Drawn() const;
    const PictureSession& session_;
    const bool& loaded_;
};

// The picture while listening: newest line at the top, nothing to click.
class RollingSource : public PlotSource {
public:
    explicit RollingSource(const RollingPicture& picture) : picture_(picture) {}
    std::vector<RulerTick> FrequencyTicks(int width) const override;
    std::vector<RulerTick> TimeTicks(int height) const override;
    bool TimeDownwards() const override { return true; }
    bool TakesClicks() const override { return false; }
    bool TakesBand() const override { return false; }
    std::string Readout(int x, int y, int height, bool snap) const override;

private:
    const RollingPicture& picture_;
};

}  // namespace pirolex
