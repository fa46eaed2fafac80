#pragma once
// What a load or a recompute makes happen on screen, done with the window's widgets.

#include "effects.h"

namespace pirolex {

class TPirolex;

class WindowEffects : public Effects {
public:
    explicit WindowEffects(TPirolex& window) : window_(window) {}

    void StatusPanel(int index, const std::string& text) override;
    void ChannelGroup(bool enabled) override;
    void LimLabel(const std::string& text) override;
    void CFARLabel(const std::string& text) override;
    void PresentPlot() override;
    void ShowImage() override;
    void ImageHint(bool on) override;
    void ShowGauge(bool visible) override;
    void GaugeProgress(int value) override;
    void Pause(int milliseconds) override;
    void SpeedLabel(const std::string& text) override;
    void PlotNotice(const std::string& text) override;

private:
    TPirolex& window_;
};

}  // namespace pirolex
