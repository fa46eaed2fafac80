#pragma once
// What drawing makes happen on screen, done with the widgets it is handed.

#include "drawing.h"

#include <functional>

class QWidget;

namespace pirolex {

class Gauge;

// The parts of the window drawing reaches: the plot's presentation, the picture widget, the
// progress bar, the exit button, the pause and the exit.
struct EffectParts {
    std::function<void()> present;
    QWidget* picture = nullptr;
    Gauge* gauge = nullptr;
    QWidget* exitButton = nullptr;
    std::function<void(int milliseconds)> pause;
    std::function<void()> exit;
};

class WindowEffects : public PlotEffects {
public:
    explicit WindowEffects(EffectParts parts) : parts_(std::move(parts)) {}

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
    // A new picture starts: its animation runs, whether the last one was stopped or not.
    void NewPicture() { stopped_ = false; }
    // The rest of this picture's animation goes without waiting.
    void StopAnimation() { stopped_ = true; }

private:
    EffectParts parts_;
    bool animating_ = false;
    bool stopped_ = false;
};

}  // namespace pirolex
