#pragma once
// Where a found pass can be seen and clicked: at the pictures' default size and band a 300 Hz
// engine lies in the lowest columns, which the whole band's filter leaves out, and its approach
// and recede tones (a few tens of hertz apart at road speeds) share a column. The band around the
// two tones and an FFT size fine enough to part them bring the pass into view.

#include <cstdint>
#include <optional>

namespace pirolex {

struct ToneBand {
    double lowHz = 0;
    double highHz = 0;
    int32_t fftExponent = 0;
};

// The band from the recede tone less their difference to the approach tone plus it, widened
// to whole tens of hertz (and held within 0 Hz and half the rate), and the smallest FFT size from
// 1024 up to the largest the pictures have whose bins split the two tones' difference into eight
// or more; nothing when the approach tone is not above the recede tone.
std::optional<ToneBand> BandAroundTone(double approachHz, double recedeHz, int32_t sampleRate);

}  // namespace pirolex
