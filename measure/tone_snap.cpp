#include "tone_snap.h"

#include "fftw_plans.h"
#include "peak_between_bins.h"
#include "spectrogram_pass.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace pirolex {

namespace {

// Zero padding to eight times the block: the log-parabola through three padded bins then sits on
// the top of the Hann main lobe, where it is nearly exact (bias below 0.0005 bin), instead of on
// its whole width, where the lobe is no parabola.
constexpr int32_t kPadding = 8;
constexpr double kSearchBins = 2.0;
// A peak must be the highest point within this many bins of itself: the Hann main lobe is four
// bins wide, so a side lobe or the flank of a stronger tone beside the search is never taken.
constexpr double kDominanceBins = 1.5;
// The noise floor is the median power within this many bins of the click: most of them hold no
// tone, and the floor follows the recording's coloured noise (wind, hum) where it is.
constexpr int32_t kFloorBins = 32;
// Power over the floor a peak needs, 10 dB: noise alone reaches it in about one search in a
// hundred, a tone of a plane a few hundred metres away many times over.
constexpr double kPeakOverFloor = 10.0;
constexpr double kMadToSigma = 1.4826;
// A fly-by's tone reaches its approach (or recede) value only as 1 / tau^2, tau the time to the
// pass, so the lines' median falls short of it by half the slope times tau. For the command
// line's first 15 % of lines with the pass in the picture's middle (where the default span puts
// the loudest moment), tau is 0.425 of the picture and the lines span 0.15: 1.4 times the drift
// across them, rounded up for a pass a little off the middle.
constexpr double kDriftReach = 1.5;
// The median's standard error is sqrt(pi / 2) times the mean's for normal scatter.
constexpr double kMedianEfficiency = 1.2533;

// The shortest block a tone is read in: a fifth of a second, and 60 of its periods. At the
// pictures' default 1024 points a 300-900 Hz engine gets 6-20 periods in 21 ms, and its pitch
// drowns in the noise of a few cycles and in the low bursts of wind and handling beside it.
constexpr double kSnapSeconds = 0.2;
constexpr double kSnapPeriods = 60;


// The power spectrum of one Hann-windowed, zero-padded block, and the search for a tone in it.
class BlockPeaks {
public:
    // frames: the block read; pictureFftSize: the picture's, whose bins the search, the
    // dominance and the floor are measured in, since the click was made in its columns.
    BlockPeaks(const Recording& recording, Channel channel, int32_t frames, int32_t pictureFftSize)
        : recording_(recording), n_(frames), m_(frames * kPadding),
          pictureBin_(kPadding * (frames / pictureFftSize)),
          in_(fftw_alloc_real(static_cast<size_t>(m_))),
          out_(fftw_alloc_complex(static_cast<size_t>(m_ / 2 + 1))),
          power_(static_cast<size_t>(m_ / 2 + 1)), window_(static_cast<size_t>(n_)),
          plan_(RealForwardPlan(m_)) {
        for (int32_t i = 0; i < n_; ++i)
            window_[static_cast<size_t>(i)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n_);
        const int32_t count = recording.ChannelCount();
        if (channel == Channel::kBoth) {
            for (int32_t c = 0; c < count; ++c) channels_.push_back(&recording.channels[static_cast<size_t>(c)]);
        } else if (static_cast<int32_t>(channel) < count) {
            channels_.push_back(&recording.channels[static_cast<size_t>(channel)]);
        }
    }

    // Whether the block lies wholly in the recording, in a channel it has.
    bool Fits(int64_t start) const {
        return !channels_.empty() && start >= 0 && start + n_ <= recording_.FrameCount();
    }

    std::optional<double> PeakHz(int64_t start, double clickedHz) {
        // Also a click beyond the rate (or NaN) has no bin to search.
        if (!Fits(start) || !(clickedHz > 0 && clickedHz < recording_.sampleRate) || recording_.sampleRate <= 0)
            return std::nullopt;
        Transform(start);
        const double binsPerHz = static_cast<double>(m_) / recording_.sampleRate;
        const double centre = clickedHz * binsPerHz;
        const int32_t top = m_ / 2 - 1;
        const int32_t lo = std::max<int32_t>(1, static_cast<int32_t>(std::ceil(centre - kSearchBins * pictureBin_)));
        const int32_t hi = std::min<int32_t>(top, static_cast<int32_t>(std::floor(centre + kSearchBins * pictureBin_)));
        int32_t best = -1;
        for (int32_t k = lo; k <= hi; ++k) {
            if (power_[k] >= power_[k - 1] && power_[k] > power_[k + 1] && (best < 0 || power_[k] > power_[best]))
                best = k;
        }
        if (best < 0 || !Dominates(best) || power_[best] < kPeakOverFloor * Floor(centre)) return std::nullopt;
        const double a = std::log(power_[best - 1]), b = std::log(power_[best]), c = std::log(power_[best + 1]);
        return (best + ParabolaVertexOffset(a, b, c)) / binsPerHz;
    }

private:
    // "beide" averages the channels' power spectra, not their samples: two microphones apart
    // hear a tone with a phase difference, and where it is half a period their mean loses it.
    void Transform(int64_t start) {
        std::fill(power_.begin(), power_.end(), 0.0);
        for (const std::vector<int16_t>* samples : channels_) AddPower(*samples, start);
        // A silent block has no log power; the floor test turns it away, the parabola must not see it.
        for (double& p : power_) p = std::max(p / static_cast<double>(channels_.size()), 1e-300);
    }

    void AddPower(const std::vector<int16_t>& samples, int64_t start) {
        double mean = 0;
        for (int32_t i = 0; i < n_; ++i) {
            in_[i] = samples[static_cast<size_t>(start + i)] / 32768.0;
            mean += in_[i];
        }
        // Without its mean, the block's DC does not leak into the lowest tones' bins.
        mean /= n_;
        for (int32_t i = 0; i < n_; ++i) in_[i] = (in_[i] - mean) * window_[static_cast<size_t>(i)];
        std::fill(in_.get() + n_, in_.get() + m_, 0.0);
        fftw_execute_dft_r2c(plan_, in_.get(), out_.get());
        for (int32_t k = 0; k <= m_ / 2; ++k) power_[k] += out_[k][0] * out_[k][0] + out_[k][1] * out_[k][1];
    }

    bool Dominates(int32_t peak) const {
        const int32_t reach = static_cast<int32_t>(kDominanceBins * pictureBin_);
        const int32_t from = std::max(0, peak - reach), to = std::min(m_ / 2, peak + reach);
        for (int32_t k = from; k <= to; ++k) {
            if (power_[k] > power_[peak]) return false;
        }
        return true;
    }

    // The median power within kFloorBins of the picture's bins of the click, one a bin.
    double Floor(double centre) {
        floor_.clear();
        for (int32_t bin = -kFloorBins; bin <= kFloorBins; ++bin) {
            const auto k = static_cast<int64_t>(std::lround(centre)) + int64_t{bin} * pictureBin_;
            if (k >= 1 && k < m_ / 2) floor_.push_back(power_[static_cast<size_t>(k)]);
        }
        if (floor_.empty()) return 0;
        const auto middle = floor_.begin() + static_cast<std::ptrdiff_t>(floor_.size() / 2);
        std::nth_element(floor_.begin(), middle, floor_.end());
        return *middle;
    }

    const Recording& recording_;
    std::vector<const std::vector<int16_t>*> channels_;
    int32_t n_;
    int32_t m_;
    int32_t pictureBin_;  // a bin of the picture's FFT size, in bins of the padded block
    std::unique_ptr<double[], FftwFree> in_;
    std::unique_ptr<fftw_complex[], FftwFree> out_;
    std::vector<double> power_;
    std::vector<double> window_;
    std::vector<double> floor_;
    fftw_plan plan_;
};

double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1) return *middle;
    return 0.5 * (*middle + *std::max_element(values.begin(), middle));
}

struct LinePeak {
    double seconds;
    double hz;
};

// The least-squares slope (Hz/s) through the lines that are not outliers, and the time they
// span; nothing from fewer than three lines.
struct LineSlope {
    double hzPerS = 0;
    double errorHzPerS = 0;
    double spanS = 0;
};
LineSlope SlopeOf(const std::vector<LinePeak>& peaks, double median, double sigma) {
    std::vector<LinePeak> kept;
    for (const LinePeak& p : peaks) {
        if (std::fabs(p.hz - median) <= 3 * sigma || sigma == 0) kept.push_back(p);
    }
    if (kept.size() < 3) return {};
    double t = 0, f = 0;
    for (const LinePeak& p : kept) {
        t += p.seconds;
        f += p.hz;
    }
    const auto n = static_cast<double>(kept.size());
    t /= n;
    f /= n;
    double stt = 0, stf = 0;
    for (const LinePeak& p : kept) {
        stt += (p.seconds - t) * (p.seconds - t);
        stf += (p.seconds - t) * (p.hz - f);
    }
    if (stt <= 0) return {};
    const double slope = stf / stt;
    double residuals = 0;
    for (const LinePeak& p : kept) {
        const double r = p.hz - f - slope * (p.seconds - t);
        residuals += r * r;
    }
    const double error = std::sqrt(residuals / (n - 2) / stt);
    const auto [first, last] = std::minmax_element(
        kept.begin(), kept.end(), [](const LinePeak& a, const LinePeak& b) { return a.seconds < b.seconds; });
    return {slope, error, last->seconds - first->seconds};
}

// How far the median may lie from the tone the lines are heading for: the slope times
// kDriftReach the time the lines span. The slope is taken as measured, noise and all: with the
// engine's rpm wandering, a fly-by's slope hides in the lines' scatter, and taking the scatter's
// share out of it (as for independent noise) let the "±" miss the true speed in one case of six
// instead of one of fifteen.
double DriftHz(const LineSlope& slope) {
    return kDriftReach * std::fabs(slope.hzPerS) * slope.spanS;
}

// The blocks a snap reads: each line's block of the picture's FFT size widened to `frames`
// about its centre (moved inside the recording where it would reach out of it), and of lines
// closer than half such a block only every so many, from the middle one (the clicked line)
// outwards: a long block hears what its neighbours hear, and reading them all would cost a long
// transform each for nothing.
std::vector<int64_t> SpacedBlocks(std::span<const int64_t> lineStarts, int32_t fftSize, int32_t frames,
                                  int64_t recordingFrames) {
    std::vector<int64_t> widened;
    for (const int64_t start : lineStarts) {
        if (start < 0 || start + fftSize > recordingFrames) continue;  // no line of this recording
        const int64_t first = start + fftSize / 2 - frames / 2;
        widened.push_back(std::clamp<int64_t>(first, 0, std::max<int64_t>(recordingFrames - frames, 0)));
    }
    if (frames == fftSize || widened.empty()) return widened;
    std::sort(widened.begin(), widened.end());
    const size_t middle = widened.size() / 2;
    std::vector<int64_t> kept{widened[middle]};
    for (size_t i = middle + 1, last = middle; i < widened.size(); ++i) {
        if (2 * (widened[i] - widened[last]) >= frames) kept.push_back(widened[last = i]);
    }
    for (size_t i = middle, last = middle; i-- > 0;) {
        if (2 * (widened[last] - widened[i]) >= frames) kept.push_back(widened[last = i]);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

// How many independent readings the peaks are worth: blocks that overlap by more than half hear
// much the same noise, so the peaks count as many as half blocks fit between the first and the
// last of them, and one more.
double IndependentBlocks(const std::vector<LinePeak>& peaks, int32_t frames, int32_t sampleRate) {
    const auto [first, last] = std::minmax_element(
        peaks.begin(), peaks.end(), [](const LinePeak& a, const LinePeak& b) { return a.seconds < b.seconds; });
    const double halves = (last->seconds - first->seconds) * sampleRate / (0.5 * frames);
    return std::clamp(1.0 + halves, 1.0, static_cast<double>(peaks.size()));
}

}  // namespace

std::optional<double> BlockPeakHz(const Recording& recording, Channel channel, int32_t fftSize,
                                  int64_t blockStart, double clickedHz) {
    if (fftSize < 4) return std::nullopt;
    BlockPeaks peaks(recording, channel, fftSize, fftSize);
    return peaks.PeakHz(blockStart, clickedHz);
}

int32_t SnapBlockFrames(int32_t fftSize, double clickedHz, int32_t sampleRate) {
    if (!(clickedHz > 0) || sampleRate <= 0) return fftSize;
    const double wanted = std::max(kSnapSeconds * sampleRate, kSnapPeriods * sampleRate / clickedHz);
    int32_t frames = fftSize;
    while (frames < wanted && frames < kLongestSnapBlock) frames *= 2;
    return std::max(frames, fftSize);
}

std::optional<SnappedTone> SnapToTone(const Recording& recording, Channel channel,
                                      int32_t fftSize, double clickedHz,
                                      std::span<const int64_t> blockStarts) {
    if (fftSize < 4 || recording.sampleRate <= 0) return std::nullopt;
    // A recording shorter than the block the tone wants is read in the longest that fits.
    int32_t frames = SnapBlockFrames(fftSize, clickedHz, recording.sampleRate);
    while (frames > fftSize && frames > recording.FrameCount()) frames /= 2;
    const std::vector<int64_t> starts = SpacedBlocks(blockStarts, fftSize, frames, recording.FrameCount());
    BlockPeaks finder(recording, channel, frames, fftSize);
    std::vector<LinePeak> peaks;
    int32_t blocks = 0;
    for (const int64_t start : starts) {
        if (!finder.Fits(start)) continue;
        ++blocks;
        if (const std::optional<double> hz = finder.PeakHz(start, clickedHz))
            peaks.push_back({(static_cast<double>(start) + frames / 2.0) / recording.sampleRate, *hz});
    }
    const auto found = static_cast<int32_t>(peaks.size());
    const int32_t needed = std::max(std::min(3, blocks), (blocks + 2) / 3);
    if (found == 0 || found < needed) return std::nullopt;

    std::vector<double> hz;
    for (const LinePeak& p : peaks) hz.push_back(p.hz);
    SnappedTone tone;
    tone.hz = Median(hz);
    tone.lines = found;
    std::vector<double> deviations;
    for (const double f : hz) deviations.push_back(std::fabs(f - tone.hz));
    const double sigma = kMadToSigma * Median(deviations);
    const double standardError = kMedianEfficiency * sigma / std::sqrt(IndependentBlocks(peaks, frames, recording.sampleRate));
    const LineSlope slope = SlopeOf(peaks, tone.hz, sigma);
    const double drift = DriftHz(slope);
    tone.slopeHzPerS = slope.hzPerS;
    tone.slopeErrorHzPerS = slope.errorHzPerS;
    double seconds = 0;
    for (const LinePeak& p : peaks) seconds += p.seconds;
    tone.seconds = seconds / found;
    const double resolvable = kResolvableBins * recording.sampleRate / frames;
    tone.spreadHz = std::max(resolvable, std::hypot(standardError, drift));
    tone.scatterHz = std::max(resolvable, standardError);
    return tone;
}

SnapBlocks EdgeLineBlocks(int32_t lines, int32_t lineStep, int64_t spanFirst) {
    SnapBlocks blocks;
    if (lines <= 0) return blocks;
    const int32_t edge = std::max(1, (lines * 15 + 50) / 100);
    for (int32_t number = 1; number <= edge; ++number) {
        blocks.approach.push_back(LineFirstFrame(number, lineStep, spanFirst));
        blocks.recede.push_back(LineFirstFrame(lines - edge + number, lineStep, spanFirst));
    }
    return blocks;
}

int32_t SnapReach(int32_t snapFrames, int32_t lineStep) {
    const int64_t advance = int64_t{4} * lineStep;
    if (snapFrames <= (1 << kLargestTableExponent) || advance <= 0) return kSnapLines;
    const int64_t lines = (int64_t{kSnapLines} * snapFrames + advance - 1) / advance;
    return static_cast<int32_t>(std::clamp<int64_t>(lines, kSnapLines, kMaxLines));
}

std::vector<int64_t> BlocksAroundLine(int32_t clicked, int32_t lines, int32_t lineStep,
                                      int64_t spanFirst, int32_t snapFrames) {
    std::vector<int64_t> starts;
    if (lines < 1) return starts;
    clicked = std::clamp(clicked, 1, lines);
    const int32_t reach = SnapReach(snapFrames, lineStep);
    for (int32_t line = std::max(clicked - reach, 1); line <= std::min(clicked + reach, lines); ++line)
        starts.push_back(LineFirstFrame(line, lineStep, spanFirst));
    return starts;
}

}  // namespace pirolex
