#pragma once
// What drawing makes happen on screen, done with the window's widgets.

#include "drawing.h"

namespace pirolex {

class TPirolex;

class WindowEffects : public PlotEffects {
public:
    explicit WindowEffects(TPirolex& window) : window_(window) {}

    void PresentPlot() override;
    void ShowImage() override;
    void ShowGauge(bool visible) override;
    void GaugeProgress(int value) override;
    // The 1D animation's wait between two lines. The window stays responsive meanwhile: a click
    // on the picture stops the animation (the rest of the picture is drawn at once), "Ende" and
    // Ctrl+Q end the program, and every other click or key is dropped, not kept for afterwards.
    void Pause(int milliseconds) override;

    // True while the animation waits; the window's debounce holds its recompute until it is over.
    bool Animating() const { return animating_; }
    // The rest of this picture's animation goes without waiting.
    void StopAnimation();

private:
    TPirolex& window_;
    bool animating_ = false;
    int stoppedRun_ = -1;  // the recompute whose animation was stopped
};

}  // namespace pirolex
