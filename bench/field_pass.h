#pragma once
// Where a person sees the pass in a recording of a steady tone driven past the microphone: the
// moment the brightest line between 200 and 1200 Hz steps down from its approach pitch to its
// recede pitch. Not where the recording is loudest: a burst of wind or handling after the pass
// is often louder than the pass itself.

#include "fftw_plans.h"
#include "recording.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace pirolex::field {

// The frequency of the strongest bin between loHz and hiHz in a Hann block of n frames centred
// at `seconds`, read from the first channel.
inline double StrongestHz(const Recording& r, double seconds, double loHz, double hiHz, int32_t n = 32768) {
    std::vector<double> in(static_cast<size_t>(n));
    std::vector<fftw_complex> out(static_cast<size_t>(n / 2 + 1));
    const auto first = static_cast<int64_t>(seconds * r.sampleRate) - n / 2;
    for (int32_t i = 0; i < n; ++i) {
        const int64_t k = std::clamp<int64_t>(first + i, 0, r.FrameCount() - 1);
        in[static_cast<size_t>(i)] =
            r.channels[0][static_cast<size_t>(k)] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n));
    }
    fftw_execute_dft_r2c(RealForwardPlan(n), in.data(), out.data());
    int32_t best = 0;
    double bestPower = -1;
    for (auto k = static_cast<int32_t>(loHz * n / r.sampleRate); k <= hiHz * n / r.sampleRate; ++k) {
        const double power = out[static_cast<size_t>(k)][0] * out[static_cast<size_t>(k)][0] +
                             out[static_cast<size_t>(k)][1] * out[static_cast<size_t>(k)][1];
        if (power > bestPower) bestPower = power, best = k;
    }
    return static_cast<double>(best) * r.sampleRate / n;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The strongest 200-1200 Hz peak every 0.25 s, and the moment whose median tone 1-3 s before
// stands highest over the one 1-3 s after (by at most 15 %, a Doppler step, not another line).
// Then, in short blocks 0.05 s apart around it, the last step from above the middle between the
// two tones to below it after which the tone stays below for a second: where a reflection lets
// the tone dip before the pass, a person takes the step after which it stays down.
inline double FallSecond(const Recording& r) {
    constexpr double kStep = 0.25;
    std::vector<double> track;
    const double seconds = static_cast<double>(r.FrameCount()) / r.sampleRate;
    for (double t = 0; t < seconds; t += kStep) track.push_back(StrongestHz(r, t, 200, 1200));
    double best = 0, bestT = seconds / 2, fa = 0, fr = 0;
    for (size_t i = 12; i + 12 < track.size(); ++i) {
        const double before = Median({track.begin() + static_cast<std::ptrdiff_t>(i - 12),
                                      track.begin() + static_cast<std::ptrdiff_t>(i - 4)});
        const double after = Median({track.begin() + static_cast<std::ptrdiff_t>(i + 4),
                                     track.begin() + static_cast<std::ptrdiff_t>(i + 12)});
        const double fall = before / after;
        if (fall > 1.0 && fall < 1.15 && fall > best) best = fall, bestT = static_cast<double>(i) * kStep, fa = before, fr = after;
    }
    if (best == 0) return bestT;
    const double before = fa, after = fr;
    const double middle = 0.5 * (before + after);
    std::vector<double> times;
    std::vector<int> above;
    for (double t = bestT - 1.5; t < bestT + 3.5; t += 0.05) {
        times.push_back(t);
        above.push_back(StrongestHz(r, t, 0.95 * after, 1.05 * before, 8192) > middle ? 1 : 0);
    }
    // The last block that is above while the second after it is (nearly all) below.
    constexpr size_t kStays = 20;
    double fallT = bestT;
    for (size_t i = 1; i + kStays <= times.size(); ++i) {
        const auto below = std::count(above.begin() + static_cast<std::ptrdiff_t>(i),
                                      above.begin() + static_cast<std::ptrdiff_t>(i + kStays), 0);
        if (above[i - 1] && below >= static_cast<std::ptrdiff_t>(0.8 * kStays)) fallT = times[i];
    }
    return fallT;
}

}  // namespace pirolex::field
