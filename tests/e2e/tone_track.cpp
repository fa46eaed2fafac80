#include "tone_track.h"

#include "picture_samples.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pirolex::test {

namespace {

int32_t LineStartFrame(const WindowState& state, int32_t n) {
    return 1 + (n - 1) * 4 * state.session.LineStep();
}

int RowOfLine(const WindowState& state, int32_t n) {
    return static_cast<int>(std::nearbyint(state.session.View().baselineY - n * state.session.View().yScale));
}

// How many of the lines paint column x (anything not white).
std::vector<int> HitsPerColumn(const QImage& plot, const WindowState& state, LineRange lines) {
    std::vector<int> hits(static_cast<size_t>(plot.width()), 0);
    for (int32_t n = lines.first; n <= lines.last; ++n) {
        const int y = RowOfLine(state, n);
        if (y < 0 || y >= plot.height()) continue;
        for (int x = state.session.View().plotLeft; x < plot.width(); ++x)
            hits[static_cast<size_t>(x)] += (plot.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    }
    return hits;
}

}  // namespace

int32_t LinesInPass(const WindowState& state) {
    const int32_t n = state.session.CurrentSettings().FftMask() + 1;
    int32_t lines = 0;
    while (lines < 250 && LineStartFrame(state, lines + 1) + n <= PictureSamples(state.session.GetRecording(), 0).Count() - 2) ++lines;
    return lines;
}

LineRange LinesBetween(const WindowState& state, double fromSeconds, double toSeconds) {
    LineRange range{0, -1};
    const int32_t total = LinesInPass(state);
    for (int32_t n = 1; n <= total; ++n) {
        const double t = (LineStartFrame(state, n) - 1) / double(state.session.GetRecording().sampleRate);
        if (t < fromSeconds || t >= toSeconds) continue;
        if (range.first == 0) range.first = n;
        range.last = n;
    }
    return range;
}

double FindToneCentre(const QImage& plot, const WindowState& state, LineRange lines) {
    const int count = lines.last - lines.first + 1;
    if (count <= 0) return -1;
    const std::vector<int> hits = HitsPerColumn(plot, state, lines);
    // A track: adjacent columns each painted in at least half of the lines. Noise points wander
    // from line to line and stay far below that.
    const int threshold = (count + 1) / 2;
    for (size_t x = 0; x < hits.size(); ++x) {
        if (hits[x] < threshold) continue;
        // The track's columns; a tone between two bins paints both, the nearer one more often.
        size_t last = x;
        while (last + 1 < hits.size() && hits[last + 1] >= threshold) ++last;
        double weight = 0, sum = 0;
        for (size_t c = x; c <= last; ++c) {
            weight += hits[c];
            sum += hits[c] * static_cast<double>(c);
        }
        return sum / weight;
    }
    return -1;
}

}  // namespace pirolex::test
