#include "time_axis.h"

#include "picture_samples.h"
#include "spectrogram_pass.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

int64_t TimeAxis::FirstFrame(int32_t line) const { return LineFirstFrame(line, lineStep, spanFirst); }

double TimeAxis::Seconds(int32_t line) const {
    if (sampleRate <= 0) return 0.0;
    return (static_cast<double>(FirstFrame(line)) + fftSize / 2.0) / sampleRate;
}

int32_t TimeAxis::LinesInSpan() const {
    const int64_t shown = std::min<int64_t>(recordingFrames - spanFirst, kMaxFrames);
    const int64_t advance = 4 * int64_t{lineStep};
    const int64_t room = shown - fftSize;
    if (advance <= 0 || room < 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(room / advance + 1, kMaxLines));
}

int32_t TimeAxis::NearestLine(double seconds) const {
    if (lines < 1 || lineStep <= 0) return 1;
    const double centre = seconds * sampleRate - fftSize / 2.0 - static_cast<double>(spanFirst);
    const double number = std::nearbyint(centre / (4.0 * lineStep)) + 1;
    return static_cast<int32_t>(std::clamp(number, 1.0, static_cast<double>(lines)));
}

}  // namespace pirolex
