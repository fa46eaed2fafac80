#pragma once
// A session, a canvas at the design size and a recording Effects, for drawing tests.

#include "controls.h"
#include "effects.h"
#include "plot_canvas.h"
#include "renderer.h"
#include "session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pirolex::test {

// Every call, in order, as "Name" or "Name:argument".
class RecordingEffects : public Effects {
public:
    std::vector<std::string> calls;

    void PresentPlot() override { calls.push_back("PresentPlot"); }
    void ShowImage() override { calls.push_back("ShowImage"); }
    void ImageHint(bool on) override { calls.push_back(std::string("ImageHint:") + (on ? "1" : "0")); }
    void ShowGauge(bool visible) override {
        calls.push_back(std::string("ShowGauge:") + (visible ? "1" : "0"));
    }
    void GaugeProgress(int value) override { calls.push_back("Gauge:" + std::to_string(value)); }
    void Pause(int ms) override { calls.push_back("Pause:" + std::to_string(ms)); }
    void SpeedLabel(const std::string& text) override { calls.push_back("Speed:" + text); }
    void PlotNotice(const std::string& text) override { calls.push_back("Notice:" + text); }

    int Count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls) n += c == call;
        return n;
    }
    // The calls that start with one of the prefixes, in order.
    std::vector<std::string> Only(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            for (const auto& p : prefixes)
                if (c.rfind(p, 0) == 0) {
                    out.push_back(c);
                    break;
                }
        return out;
    }
};

// #RRGGBB as written in a colour table -> the packed value (red in the low byte).
constexpr uint32_t Rgb(uint32_t hex) {
    return ((hex >> 16) & 0xFF) | (hex & 0xFF00) | ((hex & 0xFF) << 16);
}

inline constexpr int kDesignWidth = 615;
inline constexpr int kDesignHeight = 271;

class DisplayTest : public ::testing::Test {
protected:
    std::unique_ptr<Session> session = std::make_unique<Session>();
    AnalysisState& state = session->state;
    PlotCanvas canvas{kDesignWidth, kDesignHeight};
    Controls controls;
    RecordingEffects effects;

    DisplayTest() {
        SetFFTExponent(state, 10);
        state.GraphMode = 2;
        state.WaveOpened = true;
        state.SampleRate = 44100;
    }

    // The window's resize rule for a plot image of the given size.
    void Geometry(int width, int height) {
        canvas.Resize(width, height);
        state.XScale = (width - state.PlotLeft) / double(kDesignWidth - state.PlotLeft);
        state.BaselineY = height - 21;
        state.YScale = state.BaselineY / 250.0;
    }

    void SetAmplitude(int k, double a) { session->analysis.fft.FFTOutput[k].Re = a; }
    void SetAll(double a) {
        for (auto& row : session->analysis.fft.FFTOutput) row.Re = a;
    }

    // Draws line n of a pass, as the pass hands it over.
    void Line(int n) {
        session->analysis.pass.LineCounter = n;
        session->analysis.pass.LineStart = 50 * (n - 1);
        grafik(*session, canvas, controls, effects);
    }

    uint32_t Px(int x, int y) const { return canvas.Pixel(x, y); }
};

}  // namespace pirolex::test
