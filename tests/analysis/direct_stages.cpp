#include "direct_stages.h"

#include <cmath>
#include <numbers>
#include <string>

namespace direct {

using namespace pirolex;

void FFTtwiddle(const AnalysisState& state, FFTEngine& fft) {
    const int n = state.FFTMask + 1;
    for (int r = 0; r < 1024; ++r) fft.FFTInput[r] = fft.FFTOutput[r];
    for (int r = 0; r < n; ++r) {
        const int t = fft.LevelTable[r][fft.FFTLevel].Twiddle;
        if (t > 0) {
            const double s = fft.TrigTable[t].Sine;
            const double c = fft.TrigTable[t].Cosine;
            const double re = fft.FFTOutput[r].Re;
            const double im = fft.FFTOutput[r].Im;
            fft.FFTInput[r].Re = re * c + im * s;
            fft.FFTInput[r].Im = im * c - re * s;
        }
    }
}

void FFTbutterfly(const AnalysisState& state, FFTEngine& fft) {
    const int n = state.FFTMask + 1;
    for (int r = 0; r < n; ++r) {
        const LevelRow& plan = fft.LevelTable[r][fft.FFTLevel];
        const ComplexRow& mine = fft.FFTInput[r];
        const ComplexRow& other = fft.FFTInput[plan.Partner];
        if (plan.Upper == 0) {
            fft.FFTOutput[r].Re = mine.Re + other.Re;
            fft.FFTOutput[r].Im = mine.Im + other.Im;
        } else {
            fft.FFTOutput[r].Re = (-mine.Re) + other.Re;
            fft.FFTOutput[r].Im = (-mine.Im) + other.Im;
        }
    }
}

void FFTline(const AnalysisState& state, FFTEngine& fft, int accuracy) {
    const int n = state.FFTMask + 1;
    const int first = 11 - state.FFTExponent;
    fft.FFTLevel = first;
    while (fft.FFTLevel <= 10) {
        if (fft.FFTLevel > first) direct::FFTtwiddle(state, fft);
        direct::FFTbutterfly(state, fft);
        fft.FFTLevel = fft.FFTLevel + 1;
    }
    if (accuracy == 0) {
        for (int r = 0; r < n; ++r) {
            fft.FFTOutput[r].Re = std::fabs(fft.FFTOutput[r].Re);
            fft.FFTOutput[r].Im = std::fabs(fft.FFTOutput[r].Im);
            const double a = fft.FFTOutput[r].Re;
            const double b = fft.FFTOutput[r].Im;
            double m;
            if (a >= b)
                m = (a + 0.33 * b) / n;
            else
                m = (b + 0.33 * a) / n;
            fft.FFTInput[fft.BitReverse[r] / state.TableStride].Re = m;
        }
    } else {
        for (int r = 0; r < n; ++r) {
            const int k = fft.BitReverse[r] / state.TableStride;
            const double re = fft.FFTOutput[r].Re;
            const double im = fft.FFTOutput[r].Im;
            fft.PhaseSpectrum[k].Magnitude = std::sqrt(re * re + im * im) / n;
            if (im != 0)
                fft.PhaseSpectrum[k].Phase = std::atan2(re, im);
            else
                fft.PhaseSpectrum[k].Phase = 0;
        }
        for (int r = 0; r < 1024; ++r) {
            fft.FFTInput[r].Re = fft.PhaseSpectrum[r].Magnitude;
            fft.FFTInput[r].Im = fft.PhaseSpectrum[r].Phase;
        }
    }
    fft.FFTOutput[0].Re = fft.FFTInput[0].Re;
    for (int k = 1; k <= n / 2 - 1; ++k)
        fft.FFTOutput[k].Re = fft.FFTInput[n - k].Re + fft.FFTInput[k].Re;
}

void LineFilter(const AnalysisState& state, FFTEngine& fft, LineFilterState& filter,
                const Controls& controls, Effects& effects) {
    if (!state.WaveOpened) return;
    auto a = [&](int k) -> double& { return fft.FFTOutput[k].Re; };
    auto b = [&](int k) -> double& { return fft.FFTOutput[k].Im; };
    const int h = (state.FFTMask + 1) / 2 - 1;
    const int p = controls.CFARPosition;
    if (!controls.ConstPPL) filter.FilterLimit = controls.LimPosition;
    effects.LimLabel("Limit : " + std::to_string(filter.FilterLimit));
    const int hi = 2 * p;
    const int lo = static_cast<int>(std::nearbyint(p * 0.5));
    effects.CFARLabel("CFAR : " + std::to_string(lo) + " .. " + std::to_string(hi));
    bool silent = true;
    for (int k = 0; k <= h; ++k) silent = silent && a(k) == 0;
    int iterations = 0;
    bool changed;
    do {
        int kept = 0;
        for (int k = 10; k <= h - 10; ++k) {
            double mean = 0;
            for (int j = k - 10; j <= k + 10; ++j) mean = mean + (a(j) / 10) / 2;
            const double t = (filter.FilterLimit / 10.0) * mean;
            if (a(k) >= t) {
                b(k) = a(k);
                kept = kept + 1;
            } else {
                b(k) = 0;
            }
        }
        changed = false;
        if (silent) {
            // a line without signal leaves the limit alone
        } else if (kept > hi && filter.FilterLimit < 201) {
            filter.FilterLimit = filter.FilterLimit + 1;
            changed = true;
        } else if (kept < lo && filter.FilterLimit > 0) {
            filter.FilterLimit = filter.FilterLimit - 1;
            changed = true;
        }
        iterations = iterations + 1;
    } while (controls.ConstPPL && changed && iterations < 21);
    for (int k = 0; k <= 9; ++k) a(k) = 0;
    for (int k = h - 9; k <= h; ++k) a(k) = 0;
    for (int k = 10; k <= h - 10; ++k) a(k) = b(k);
}

void TakeBlock(const AnalysisState& state, FFTEngine& fft, PassState& pass) {
    const SampleRow& s = state.Samples[state.DrawChannel];
    const int p = pass.SamplePos;
    int i = 0;
    while (i <= state.FFTMask && state.StoredCount - pass.SamplePos >= 2) {
        fft.FFTInput[i].Re = s.at(pass.SamplePos) - 128;
        pass.SamplePos = pass.SamplePos + 1;
        fft.FFTInput[i].Im = (s.at(pass.SamplePos) + fft.FFTInput[i].Re - 128) / 2;
        i = i + 1;
    }
    pass.EndOfData = state.StoredCount - pass.SamplePos < 2;
    pass.SamplePos = p + 4 * state.LineStep;
}

void NormPeak(const AnalysisState& state, FFTEngine& fft) {
    double m = 0;
    for (int i = 0; i <= state.FFTMask; ++i) {
        const double v = std::fabs(fft.FFTInput[i].Re) + std::fabs(fft.FFTInput[i].Im);
        if (v > m) m = v;
    }
    const double f = m != 0 ? 100 / m : 1;
    for (int i = 0; i <= state.FFTMask; ++i) {
        fft.FFTInput[i].Re = fft.FFTInput[i].Re * f;
        fft.FFTInput[i].Im = fft.FFTInput[i].Im * f;
    }
}

void DiffBlock(const AnalysisState& state, FFTEngine& fft) {
    for (int i = 0; i <= state.FFTMask - 1; ++i) {
        fft.FFTInput[i].Re = fft.FFTInput[i].Re - fft.FFTInput[i + 1].Re;
        fft.FFTInput[i].Im = fft.FFTInput[i].Im - fft.FFTInput[i + 1].Im;
    }
    fft.FFTInput[state.FFTMask].Re = 0;
    fft.FFTInput[state.FFTMask].Im = 0;
}

void NormMean(const AnalysisState& state, FFTEngine& fft) {
    if (!state.WaveOpened) return;
    const int h = (state.FFTMask + 1) / 2 - 1;
    double sum = 0;
    for (int k = 20; k <= h; ++k) sum = sum + fft.FFTOutput[k].Re;
    const double mean = sum / (h - 19);
    const double f = mean > 0 ? 1 / mean : 1;
    for (int k = 0; k <= h; ++k) fft.FFTOutput[k].Re = fft.FFTOutput[k].Re * f;
}

void ChannelPass(AnalysisState& state, Analysis& analysis, const Controls& controls,
                 Effects& effects, const LineSink& grafik) {
    PassState& pass = analysis.pass;
    pass.LineCounter = 0;
    pass.LineStart = 0;
    pass.SamplePos = 1;
    while (true) {
        pass.LineStart = 50 * pass.LineCounter;
        pass.LineCounter = pass.LineCounter + 1;
        direct::TakeBlock(state, analysis.fft, pass);
        if (!pass.EndOfData) {
            direct::NormPeak(state, analysis.fft);
            direct::DiffBlock(state, analysis.fft);
            direct::FFTline(state, analysis.fft, controls.Accuracy);
            direct::NormMean(state, analysis.fft);
            if (state.DisplayFilter)
                direct::LineFilter(state, analysis.fft, analysis.filter, controls, effects);
            if (grafik) grafik();
        } else if (pass.LineCounter == 1) {
            effects.PlotNotice(ShortRecordingNotice(state));
            if (grafik) grafik();
        }
        if (pass.EndOfData || pass.LineCounter >= 250) break;
    }
    effects.ShowGauge(false);
}

std::vector<std::complex<long double>> Dft(const std::vector<std::complex<double>>& x) {
    const size_t n = x.size();
    std::vector<std::complex<long double>> result(n);
    for (size_t k = 0; k < n; ++k) {
        std::complex<long double> sum = 0;
        for (size_t j = 0; j < n; ++j) {
            // Reduce the angle's index first so the argument stays small and exact.
            const long double angle =
                -2 * std::numbers::pi_v<long double> * static_cast<long double>((j * k) % n) / n;
            sum += std::complex<long double>(x[j]) *
                   std::complex<long double>(std::cos(angle), std::sin(angle));
        }
        result[k] = sum;
    }
    return result;
}

}  // namespace direct
