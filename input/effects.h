#pragma once
// What the core must make happen on screen while it loads or computes. The window implements it
// with its widgets; tests and the command line use fakes. Every call happens at the moment the
// behaviour of the window requires it, so a fake can count and check them. The defaults do
// nothing, so a fake overrides only what it looks at.

#include <string>

namespace pirolex {

class Effects {
public:
    virtual ~Effects() = default;

    // Status bar panel 0..4.
    virtual void StatusPanel(int /*index*/, const std::string& /*text*/) {}
    // The channel group after a load: enabled for two or more channels; otherwise set to "links"
    // and disabled.
    virtual void ChannelGroup(bool /*enabled*/) {}
    // Captions of the two labels under the filter track bars.
    virtual void LimLabel(const std::string& /*text*/) {}
    virtual void CFARLabel(const std::string& /*text*/) {}
    // Copy PlotBitmap onto the visible image and repaint it at once.
    virtual void PresentPlot() {}
    virtual void ShowImage() {}
    virtual void ImageHint(bool /*on*/) {}
    virtual void ShowGauge(bool /*visible*/) {}
    virtual void GaugeProgress(int /*value*/) {}
    // Block the GUI thread; the 1D animation pauses after each line.
    virtual void Pause(int /*milliseconds*/) {}
    // Text of the speed label, repainted at once.
    virtual void SpeedLabel(const std::string& /*text*/) {}
    // A sentence for the user on why the picture stays empty (the recording is shorter than one
    // FFT block). It holds until the next recompute, which starts by emptying the speed label.
    virtual void PlotNotice(const std::string& /*text*/) {}
};

}  // namespace pirolex
