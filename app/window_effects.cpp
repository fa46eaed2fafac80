#include "window_effects.h"

#include "main_window.h"
#include "widgets.h"

#include <QLabel>

namespace pirolex {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void SetLabel(QLabel* label, const std::string& text) {
    label->setText(Text(text));
    label->adjustSize();
}

}  // namespace

void WindowEffects::StatusPanel(int index, const std::string& text) {
    window_.ui_.StatusBar1->SetPanelText(index, Text(text));
}

// The selection is set without running the channel handler: the load recomputes once it is done.
void WindowEffects::ChannelGroup(bool enabled) {
    RadioGroup* group = window_.ui_.KanalRadioGroup;
    if (!enabled) group->SetItemIndexQuietly(0);
    group->setEnabled(enabled);
}

void WindowEffects::LimLabel(const std::string& text) {
    SetLabel(window_.ui_.LimLabel, text);
}

void WindowEffects::CFARLabel(const std::string& text) {
    SetLabel(window_.ui_.CFARLabel, text);
}

void WindowEffects::PresentPlot() {
    window_.canvas_.Present();
}

void WindowEffects::ShowImage() {
    window_.ui_.Image1->show();
}

void WindowEffects::ImageHint(bool on) {
    window_.ui_.Image1->setToolTip(on ? QStringLiteral("klicken zur Geschwindigkeitsmessung")
                                      : QString());
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

void WindowEffects::SpeedLabel(const std::string& text) {
    SetLabel(window_.ui_.Label1, text);
    window_.ui_.Label1->repaint();
}

// The speed label stands right above the plot and is empty while no markers are set, so the
// reason for an empty picture goes there; the next recompute or speed replaces it.
void WindowEffects::PlotNotice(const std::string& text) {
    SpeedLabel(text);
}

}  // namespace pirolex
