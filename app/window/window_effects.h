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
    void Pause(int milliseconds) override;

private:
    TPirolex& window_;
};

}  // namespace pirolex
