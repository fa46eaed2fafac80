#pragma once
// A canvas at the design size, a view, settings and a spectrum line to draw, and PlotEffects that
// record what they are told.

#include "drawing.h"
#include "plot_canvas.h"
#include "settings.h"
#include "failure.h"
#include "spectrogram_renderer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pirolex::test {

// Every call, in order, as "Name" or "Name:argument".
class RecordingEffects : public PlotEffects {
public:
    std::vector<std::string> calls;

    void PresentPlot() override { calls.push_back("PresentPlot"); }
    void ShowImage() override { calls.push_back("ShowImage"); }
    void ShowGauge(bool visible) override {
        calls.push_back(std::string("ShowGauge:") + (visible ? "1" : "0"));
    }
    void GaugeProgress(int value) override { calls.push_back("Gauge:" + std::to_string(value)); }
    void Pause(int ms) override { calls.push_back("Pause:" + std::to_string(ms)); }

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

class RenderTest : public ::testing::Test {
protected:
    PlotCanvas canvas{kDesignWidth, kDesignHeight};
    PlotView view = ViewForImage({kDesignWidth, kDesignHeight});
    Settings settings = StartupSettings();
    int32_t sampleRate = 44100;
    Channel channel = Channel::kLeft;
    RowState rows;
    RecordingEffects effects;
    std::vector<double> amplitudes = std::vector<double>(512, 0.0);
    std::vector<double> phases = std::vector<double>(512, 0.0);

    FrequencyAxis Axis() const {
        return FrequencyAxis(sampleRate, settings.TableStride(), view.plotLeft, view.xScale);
    }

    // The window's resize rule for a plot image of the given size.
    void Geometry(int width, int height) {
        canvas.Resize(width, height);
        view = ViewForImage({width, height});
    }

    void SetAmplitude(int k, double a) { amplitudes[k] = a; }
    void SetAll(double a) { std::fill(amplitudes.begin(), amplitudes.end(), a); }

    // Draws line n of a pass, as the pass hands it over.
    void Line(int n) {
        const FrequencyAxis axis = Axis();
        const size_t half = static_cast<size_t>(settings.FftSize() / 2);
        const SpectrumLine line{n, 0, {amplitudes.data(), half}, {phases.data(), half}};
        DrawSpectrumLine(line, channel, settings, Drawing{canvas, view, axis, effects}, rows);
    }

    uint32_t Px(int x, int y) const { return canvas.Pixel(x, y); }
};

}  // namespace pirolex::test
