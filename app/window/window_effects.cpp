#include "window_effects.h"

#include "main_window.h"
#include "widgets.h"

namespace pirolex {

void WindowEffects::PresentPlot() {
    window_.canvas_.Present();
}

void WindowEffects::ShowImage() {
    window_.ui_.Image1->show();
}

void WindowEffects::ShowGauge(bool visible) {
    window_.ui_.Gauge1->setVisible(visible);
}

void WindowEffects::GaugeProgress(int value) {
    window_.ui_.Gauge1->SetProgress(value);
    window_.ui_.Gauge1->repaint();
}

void WindowEffects::Pause(int milliseconds) {
    window_.seams_.pause(milliseconds);
}

}  // namespace pirolex
