#include "markers.h"

#include "runtime_error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pirolex {

namespace {

constexpr int32_t kMarkerTop = 20;  // marker lines run from the baseline up to this row
constexpr int kNumberWidth = 5;
constexpr const char* kNoSpeed =
    "Geschwindigkeit: keine (Marken ergeben keine Frequenz über 0 Hz)";

// Two decimals with '.', right-aligned in at least five characters, never cut. std::to_chars
// ignores the locale, which a German desktop would otherwise turn into a comma.
std::string Fixed2(double value) {
    if (value == 0.0) value = 0.0;  // no "-0.00"
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
    std::string text(buf, result.ptr);
    if (text.size() < kNumberWidth) text.insert(0, kNumberWidth - text.size(), ' ');
    return text;
}

double SoundSpeedKmh(int temperature) {
    const double metresPerSecond = std::sqrt(temperature + 273.15) * 20.03;
    return 3.6 * metresPerSecond;
}

int32_t& SelectedMarker(AnalysisState& state, MouseButton button) {
    return button == MouseButton::Left ? state.MarkerA : state.MarkerB;
}

void DrawMarker(const AnalysisState& state, PlotCanvas& canvas, Effects& effects, int32_t x,
                uint32_t colour) {
    canvas.SetPenMode(PenMode::Copy);
    canvas.SetPenColor(colour);
    canvas.MoveTo(x, state.BaselineY);
    canvas.LineTo(x, kMarkerTop);
    FrequenzMarke(state, canvas, effects, x, colour);
}

}  // namespace

std::string FrequencyLabel(const AnalysisState& state, int32_t x) {
    const double units = CheckedSub(x, state.PlotLeft);
    // 0.4 rather than 0.5, so the label is the nearest whole number to f + 0.4.
    const double f = CheckedDiv(state.SampleRate / 2.0 / 512.0 * units, state.XScale) + 0.4;
    const double whole = std::nearbyint(f);
    if (!(std::fabs(whole) < 9.2e18)) Fail(msg::kRangeCheck);
    return std::to_string(static_cast<long long>(whole)) + " Hz";
}

void FrequenzMarke(const AnalysisState& state, PlotCanvas& canvas, Effects& effects, int32_t x,
                   uint32_t colour) {
    canvas.SetFontColor(colour);
    canvas.TextOut(x, state.BaselineY, FrequencyLabel(state, x));
    effects.PresentPlot();
}

// v = c (f1 - f2) / (f1 + f2) for the two marked frequencies, and r, the change of v for one
// step of marker distance: one plot unit, or one FFT bin where a bin is wider (below FFT size
// 1024), since neither marker can be placed more finely than the picture resolves the tone.
// The sample rate cancels but is kept in the order of operations. Markers whose frequencies add
// up to 0 (symmetric about 0 Hz, both on the zero column, or no sample rate) give no speed.
void Speed(const AnalysisState& state, const Controls& controls, Effects& effects) {
    const double c = SoundSpeedKmh(controls.Temperature);
    if (state.MarkerA <= 0 || state.MarkerB <= 0) return;
    const double w = state.SampleRate / 2.0 / 1024.0;
    const int32_t d = std::abs(CheckedSub(state.MarkerA, state.MarkerB));
    const double delta = CheckedDiv(d, state.XScale) * w / 2;
    const double a = CheckedDiv(CheckedSub(state.MarkerA, state.PlotLeft), state.XScale);
    const double b = CheckedDiv(CheckedSub(state.MarkerB, state.PlotLeft), state.XScale);
    const double m = (a + b) / 2 * w;
    if (m == 0.0) {
        effects.SpeedLabel(kNoSpeed);
        return;
    }
    const double v = CheckedDiv(delta * c, m);
    const double r = CheckedDiv(w * c, m) / 2 * std::max(1, state.TableStride);
    effects.SpeedLabel("Geschwindigkeit: " + Fixed2(v) + " km/h " + "(±" + Fixed2(r) + " km/h) ");
}

void Image1MouseDown(AnalysisState& state, PlotCanvas& canvas, const Controls& controls,
                     Effects& effects, MouseButton button, int x, int /*y*/) {
    if (state.GraphMode != 2 || state.SampleRate <= 0) return;
    if (button == MouseButton::Other) return;
    const uint32_t colour = button == MouseButton::Left ? kMarkerGreen : kMarkerRed;
    int32_t& marker = SelectedMarker(state, button);
    // Erasing whitens whatever lies under the old line and label; the next recompute restores it.
    if (marker != 0) DrawMarker(state, canvas, effects, marker, kWhite);
    marker = x;
    DrawMarker(state, canvas, effects, x, colour);
    Speed(state, controls, effects);
}

void SpinEdit1Change(const AnalysisState& state, const Controls& controls, Effects& effects) {
    Speed(state, controls, effects);
}

}  // namespace pirolex
