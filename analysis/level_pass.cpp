#include "level_pass.h"

#include "checked_arithmetic.h"
#include "fftw_plans.h"
#include "picture_samples.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace pirolex {

namespace {

// The power of each bin of one channel's windowed block, added to `power`.
class BlockPower {
public:
    explicit BlockPower(int32_t n)
        : n_(n), in_(fftw_alloc_real(static_cast<size_t>(n))),
          out_(fftw_alloc_complex(static_cast<size_t>(n / 2 + 1))), window_(static_cast<size_t>(n)),
          plan_(RealForwardPlan(n)) {
        for (int32_t i = 0; i < n; ++i)
            window_[static_cast<size_t>(i)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n);
        double sum = 0.0;
        for (double w : window_) sum += w;
        // A sine of amplitude A peaks at A x sum / 2: this makes its power A^2, 0 dB at full scale.
        fullScale_ = 4.0 / (sum * sum);
    }

    void Add(const int16_t* samples, std::vector<double>& power) {
        for (int32_t i = 0; i < n_; ++i)
            in_[i] = samples[i] / 32768.0 * window_[static_cast<size_t>(i)];
        fftw_execute_dft_r2c(plan_, in_.get(), out_.get());
        for (int32_t k = 0; k < n_ / 2; ++k)
            power[static_cast<size_t>(k)] += (out_[k][0] * out_[k][0] + out_[k][1] * out_[k][1]) * fullScale_;
    }

private:
    int32_t n_;
    std::unique_ptr<double[], FftwFree> in_;
    std::unique_ptr<fftw_complex[], FftwFree> out_;
    std::vector<double> window_;
    double fullScale_ = 1.0;
    fftw_plan plan_;
};

}  // namespace

PassEnd RunLevelPass(const Recording& recording, const Settings& settings, int64_t spanFirst,
                     int32_t lineStep, const LineHandler& onLine) {
    if (settings.fftExponent < kSmallestFftExponent || settings.fftExponent > kLargestFftExponent)
        Fail(ErrorCode::kRangeCheck);
    const int32_t n = settings.FftSize();
    const int32_t half = n / 2;
    std::vector<const int16_t*> channels;
    for (int32_t c : {0, 1}) {
        const bool wanted = settings.channel == Channel::kBoth || static_cast<int32_t>(settings.channel) == c;
        if (wanted && c < recording.ChannelCount())
            channels.push_back(recording.channels[static_cast<size_t>(c)].data() + spanFirst);
    }
    // The frames the 2D pass reads, so that both pictures end on the same line.
    const int32_t count = PictureSamples(recording, 0, spanFirst).Count();
    const int64_t advance = CheckedMul(4, lineStep);
    BlockPower block(n);
    std::vector<double> power(static_cast<size_t>(half));
    std::vector<double> levels(static_cast<size_t>(half));
    PassEnd end;
    for (int32_t number = 1; number <= kMaxLines; ++number) {
        const int64_t first = advance * (number - 1);
        // The 2D pass's test: its block and the two frames each entry reads fit in the span.
        if (first + n + 3 > count) {
            end.tooShort = number == 1;
            break;
        }
        std::fill(power.begin(), power.end(), 0.0);
        for (const int16_t* channel : channels) block.Add(channel + first, power);
        const double share = channels.empty() ? 0.0 : 1.0 / static_cast<double>(channels.size());
        for (int32_t k = 0; k < half; ++k) {
            const double p = power[static_cast<size_t>(k)] * share;
            levels[static_cast<size_t>(k)] = p > 0 ? 10.0 * std::log10(p) : kSilentLevelDb;
        }
        end.lines = number;
        if (onLine) onLine({number, spanFirst + first, levels, {}});
    }
    return end;
}

}  // namespace pirolex
