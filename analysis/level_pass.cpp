#include "level_pass.h"

#include "block_power.h"
#include "checked_arithmetic.h"
#include "picture_samples.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pirolex {

PassEnd RunLevelPass(const Recording& recording, const Settings& settings, int64_t spanFirst,
                     int32_t lineStep, const LineHandler& onLine, int64_t spanFrames) {
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
    const int32_t count = PictureSamples(recording, 0, spanFirst, spanFrames).Count();
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
