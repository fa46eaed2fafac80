#include "pass_finder.h"

#include "full_spectrogram.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <limits>
#include <optional>
#include <thread>
#include <utility>

namespace pirolex {

namespace {

constexpr double kFrameSeconds = 0.045;  // as the measurement's own spectrogram
constexpr double kLowestHz = 150.0;      // below: wind, handling and the mains
constexpr double kHighestHz = 12000.0;
constexpr int32_t kFloorBand = 32;         // bins whose median is the noise floor around them
constexpr float kToneOverFloor = 31.6f;    // 15 dB: noise alone practically never peaks so high
constexpr int32_t kSlopeBins = 4;          // beyond a Hann window's main lobe
constexpr float kToneOverSlope = 10.0f;
constexpr double kWidestFall = 1.9;        // the most a pass lowers a tone, far before to far after
constexpr double kFallReach = 2.0;         // s either side of a moment where the fall is looked for
constexpr double kSmoothSeconds = 0.25;    // either side: the level averaged over half a second
// A moment is a pass's when its level is the highest from kBeforeSeconds before it to
// kAfterSeconds after it and stands kStandOutDb above the lowest of the kQuietSeconds before it.
constexpr double kBeforeSeconds = 4.0;
constexpr double kAfterSeconds = 1.5;
constexpr double kQuietSeconds = 20.0;
constexpr double kStandOutDb = 8.0;
constexpr float kNoToneDb = -100.0f;  // the average level of frames without any tone
// A fit belongs to the moment when it hears its pass this close to it.
constexpr double kHeardNear = 3.0;
constexpr double kShortLeadSeconds = 6.0;
// The lead of the second fit that tells how much a slow swing of the rpm moves the speed: shorter
// than a swing, so that the approach is not averaged over it either.
constexpr double kSwingLeadSeconds = 3.0;
// A fit whose pass would be kSoaringDb louder at the pass than kLouderBefore earlier must find it
// at least kLouderDb louder.
constexpr double kLouderBefore = 4.0;
constexpr double kSoaringDb = 12.0;
constexpr float kLouderDb = 6.0f;
// The rough measurement of when a pass is heard: from kProbeLead before the moment to kProbeTail
// after it, as soon as the level there has told that the moment peaks.
constexpr double kProbeLead = 4.0;
constexpr double kProbeTail = 1.8;
// Passes come round no sooner than this after each other: a later peak of the same pass (the
// burst, a level swing) is no second pass.
constexpr double kPassApart = 8.0;
// A refused moment is a pass when its tone falls across it: the median pitch over
// [-kSideSeconds, -kSideGap] above that over [kSideGap, kTailSeconds], each side heard in at least
// kFewestPerSide frames.
constexpr double kSideSeconds = 3.0;
constexpr double kSideGap = 0.3;
constexpr size_t kFewestPerSide = 10;
constexpr double kJump = 0.02;   // a step in pitch between neighbouring points of the track
constexpr size_t kMostJumps = 3;
constexpr double kCovered = 0.5;  // of the frames around the moment in the track
constexpr double kSmallestFall = 1.004;  // the least a pass worth measuring lowers its tone
constexpr double kRefusedStandOutDb = 12.0;
// A recording this short is taken for a single fly-by, measured as a whole.
constexpr double kSingleFlybySeconds = 40.0;
// A core's share of a long take in the batch search: at least this long, and each finder hears
// kSettleSeconds before its share so that it judges its first moments as one finder would.
constexpr double kShareSeconds = 120.0;
constexpr double kSettleSeconds = 40.0;
// A take's passes are those the user flies past the microphone; a fit this far off is the far
// side of the circuit, heard across the field, which nobody counts as a pass.
constexpr double kFarthestPassM = 100.0;

// What a fit was refused for that still is a pass heard: the tone fell, but not so that the speed
// could be told. The other refusals are no pass: no tone, a steady one, a fit that makes no pass.
bool PassHeardDespite(AutoSpeedRefusal refusal) {
    return refusal == AutoSpeedRefusal::kUncertain || refusal == AutoSpeedRefusal::kAboveTopSpeed ||
           refusal == AutoSpeedRefusal::kHarmonicChange || refusal == AutoSpeedRefusal::kNoFall;
}

// Refusals that a shorter stretch would give as well: nothing there moves as a pass does.
bool NothingMoves(AutoSpeedRefusal refusal) {
    return refusal == AutoSpeedRefusal::kNoSamples || refusal == AutoSpeedRefusal::kTooShort ||
           refusal == AutoSpeedRefusal::kSilence || refusal == AutoSpeedRefusal::kNoTone ||
           refusal == AutoSpeedRefusal::kNoPass;
}

double Median(std::vector<double> v) {
    auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

// fitted: the fitted curve at the track's points, when there is one; a jump is then one in the
// distance from it, so that the fall of a fast close pass, steep from point to point, is none.
bool FallsAcross(const ToneTrack& track, double at, const std::vector<double>* fitted = nullptr) {
    std::vector<double> before, after;
    size_t steps = 0, inside = 0;
    double shortestStep = 1e9;
    const auto pitch = [&](size_t i) {
        return fitted && i < fitted->size() ? track.frequencies[i] / (*fitted)[i] : track.frequencies[i];
    };
    for (size_t i = 0; i < track.Size(); ++i) {
        const double t = track.times[i] - at;
        if (i > 0) shortestStep = std::min(shortestStep, track.times[i] - track.times[i - 1]);
        if (t < -kSideSeconds || t > PassFinder::kTailSeconds) continue;
        ++inside;
        if (i > 0 && track.times[i - 1] - at >= -kSideSeconds && std::fabs(std::log(pitch(i) / pitch(i - 1))) > kJump)
            ++steps;
        if (t <= -kSideGap) before.push_back(track.frequencies[i]);
        if (t >= kSideGap) after.push_back(track.frequencies[i]);
    }
    // One sound that falls, heard most of the time: not syllables starting each at its own pitch.
    const double expected = (kSideSeconds + PassFinder::kTailSeconds) / shortestStep;
    return before.size() >= kFewestPerSide && after.size() >= kFewestPerSide && steps <= kMostJumps &&
           static_cast<double>(inside) >= kCovered * expected && Median(before) >= kSmallestFall * Median(after);
}

// The tones in a frame: every local peak that stands kToneOverFloor above the median of its band
// and kToneOverSlope above the bins kSlopeBins away (noise on a steep slope, as wind makes it, peaks
// above its band's median too); their summed power, and the strongest one's bin.
struct Tones {
    float power = 0.0f;
    float strongestBin = 0.0f;
};

Tones TonesOf(const float* row, int32_t first, int32_t last, std::vector<float>& scratch) {
    Tones tones;
    double sum = 0.0;
    float strongest = 0.0f;
    for (int32_t band = first; band < last; band += kFloorBand) {
        const int32_t end = std::min(last, band + kFloorBand);
        scratch.assign(row + band, row + end);
        auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
        std::nth_element(scratch.begin(), middle, scratch.end());
        const float threshold = kToneOverFloor * *middle;
        for (int32_t b = std::max(band, kSlopeBins); b < end; ++b) {
            if (row[b] <= threshold || row[b] < row[b - 1] || row[b] <= row[b + 1]) continue;
            if (row[b] <= kToneOverSlope * std::max(row[b - kSlopeBins], row[b + kSlopeBins])) continue;
            sum += row[b];
            if (row[b] > strongest) strongest = row[b], tones.strongestBin = static_cast<float>(b);
        }
    }
    tones.power = static_cast<float>(sum);
    return tones;
}

// Whether the strongest tone falls across frame k as a pass lowers it: its median pitch before
// above that after, also where it changed to a higher harmonic meanwhile; not a steady tone.
bool StrongestFalls(const std::deque<float>& bins, int64_t from, int64_t k, int64_t reach, int64_t gap) {
    std::vector<double> before, after;
    for (int64_t j = std::max(from, k - reach); j <= k - gap; ++j)
        if (bins[static_cast<size_t>(j - from)] > 0.0f) before.push_back(bins[static_cast<size_t>(j - from)]);
    for (int64_t j = k + gap; j <= k + reach && j - from < static_cast<int64_t>(bins.size()); ++j)
        if (bins[static_cast<size_t>(j - from)] > 0.0f) after.push_back(bins[static_cast<size_t>(j - from)]);
    if (before.size() < kFewestPerSide / 2 || after.size() < kFewestPerSide / 2) return false;
    const double ratio = Median(before) / Median(after);
    for (const double apart : {1.0, 2.0, 3.0, 0.5, 1.0 / 3.0})
        if (ratio * apart >= kSmallestFall && ratio * apart <= kWidestFall) return true;
    return false;
}

void ShiftTimes(AutoSpeed& speed, double offset) {
    speed.closestTimeS += offset;
    speed.model.closestTime += offset;
    for (double& t : speed.track.times) t += offset;
}

}  // namespace

PassFinder::PassFinder(int32_t sampleRate, double temperatureC, double maxSpeedKmh, int32_t channelCount)
    : sampleRate_(sampleRate),
      temperatureC_(temperatureC),
      maxSpeedKmh_(maxSpeedKmh),
      frameLength_(sampleRate > 0 ? FrameLengthFor(sampleRate, SpectrogramShape{kFrameSeconds}) : 1),
      hop_(std::max(1, frameLength_ / 2)),
      kept_(static_cast<size_t>(std::max(1, channelCount))) {}

std::vector<FlybyPass> PassFinder::Append(std::span<const int16_t> samples) {
    const std::span<const int16_t> one[] = {samples};
    return Append(std::span<const std::span<const int16_t>>(one));
}

std::vector<FlybyPass> PassFinder::Append(std::span<const std::span<const int16_t>> channels) {
    if (channels.empty()) return {};
    // The channels the finder was made for, each as long as the first: a missing one is silent.
    const size_t frames = channels.front().size();
    for (size_t c = 0; c < kept_.size(); ++c) {
        if (c < channels.size() && channels[c].size() == frames)
            kept_[c].insert(kept_[c].end(), channels[c].begin(), channels[c].end());
        else
            kept_[c].resize(kept_[c].size() + frames, 0);
    }
    streamFrames_ += static_cast<int64_t>(frames);
    std::vector<FlybyPass> concluded;
    if (sampleRate_ > 0) Listen(concluded, false);
    return concluded;
}

std::vector<FlybyPass> PassFinder::Finish() {
    std::vector<FlybyPass> concluded;
    if (sampleRate_ > 0) Listen(concluded, true);
    return concluded;
}

Recording PassFinder::Stretch(int64_t first, int64_t last) const {
    Recording stretch;
    stretch.sampleRate = sampleRate_;
    first = std::max(first, keptFrom_);
    last = std::min(last, streamFrames_);
    for (const std::vector<int16_t>& channel : kept_)
        stretch.channels.emplace_back(channel.begin() + (first - keptFrom_), channel.begin() + (last - keptFrom_));
    return stretch;
}

// A swing of the rpm slower than the short side after the pass (a governor hunting, the pilot on
// the throttle) is not averaged out there, and the fit takes its residuals, alike for seconds,
// for many independent readings; it then reads the speed a few per cent off with a small sigma.
// The same pass fitted with a lead too short to average the swing out reads it on the approach
// as much as the long fit reads it after the pass: how far the two speeds lie apart counts as an
// uncertainty of its own.
void PassFinder::AllowForSlowRpmSwings(AutoSpeed& speed, int64_t end) const {
    const int64_t first = std::max<int64_t>(0, end - std::lround((kTailSeconds + kSwingLeadSeconds) * sampleRate_));
    const AutoSpeed shorter = EstimateSpeed(Stretch(first, end), temperatureC_, maxSpeedKmh_);
    if (shorter.Answered()) AddUncertainty(speed, std::fabs(shorter.speedKmh - speed.speedKmh));
}

int64_t PassFinder::Frames(double seconds) const {
    return std::lround(seconds / (static_cast<double>(hop_) / sampleRate_));
}

// The tonal level and the strongest tone of every analysis frame the samples now complete.
void PassFinder::HearLevels() {
    const int64_t firstNew = levelFrom_ + static_cast<int64_t>(level_.size());
    if (streamFrames_ < firstNew * hop_ + frameLength_) return;
    Recording fresh = Stretch(firstNew * hop_, streamFrames_);
    SpectrogramShape shape{kFrameSeconds};
    shape.hopDivisor = 2;
    shape.zeroPadding = 1;
    shape.maxFrames = std::numeric_limits<int32_t>::max();
    const FullSpectrogram spectrogram = ComputeFullSpectrogram(fresh, shape);
    const auto first = static_cast<int32_t>(std::ceil(kLowestHz / spectrogram.BinHz()));
    const auto last = std::min(spectrogram.binCount - 2,
                               static_cast<int32_t>(std::min(kHighestHz, 0.45 * sampleRate_) / spectrogram.BinHz()));
    std::vector<float> scratch;
    for (int32_t f = 0; f < spectrogram.frameCount; ++f) {
        const Tones tones = first < last ? TonesOf(spectrogram.Row(f), first, last, scratch) : Tones{};
        level_.push_back(tones.power);
        strongest_.push_back(tones.strongestBin);
    }
}

// The level averaged over half a second, once the frames after it are in (or the stream ended).
void PassFinder::SmoothLevels(bool ended) {
    const int64_t smooth = Frames(kSmoothSeconds);
    const int64_t levelEnd = levelFrom_ + static_cast<int64_t>(level_.size());
    for (int64_t k = levelFrom_ + static_cast<int64_t>(smooth_.size()); k < levelEnd && (ended || k + smooth < levelEnd); ++k) {
        const int64_t from = std::max(levelFrom_, k - smooth), to = std::min(levelEnd - 1, k + smooth);
        double sum = 0.0;
        for (int64_t j = from; j <= to; ++j) sum += level_[static_cast<size_t>(j - levelFrom_)];
        smooth_.push_back(static_cast<float>(10.0 * std::log10(sum / static_cast<double>(to - from + 1) + 1e-12)));
        if (level_[static_cast<size_t>(k - levelFrom_)] > 0.0f) ++tonalFrames_;
    }
}

float PassFinder::Smoothed(int64_t k) const { return smooth_[static_cast<size_t>(k - levelFrom_)]; }

int64_t PassFinder::SmoothEnd() const { return levelFrom_ + static_cast<int64_t>(smooth_.size()); }

// Whether frame k may be a pass's moment: its level peaks, stands out of the quiet before it, and
// the strongest tone falls across it. How far it stood out, when it may.
std::optional<float> PassFinder::StandsOut(int64_t k) const {
    const float level = Smoothed(k);
    // (A frame under a burst may hold no tone itself; the half second around it does.)
    if (!(level > kNoToneDb)) return std::nullopt;
    for (int64_t j = std::max(levelFrom_, k - Frames(kBeforeSeconds)); j <= std::min(SmoothEnd() - 1, k + Frames(kAfterSeconds)); ++j)
        if (j != k && (j < k ? Smoothed(j) >= level : Smoothed(j) > level)) return std::nullopt;
    float lowest = level;
    for (int64_t j = std::max(levelFrom_, k - Frames(kQuietSeconds)); j < k; ++j) lowest = std::min(lowest, Smoothed(j));
    if (level - lowest < kStandOutDb) return std::nullopt;
    if (!StrongestFalls(strongest_, levelFrom_, k, Frames(kFallReach), Frames(kSideGap))) return std::nullopt;
    return level - lowest;
}

// When the pass of the moment centred at `centre` (a stream frame) is heard, roughly: measured on
// a short stretch, else the moment itself.
double PassFinder::WhenHeard(int64_t centre) const {
    const double centreS = static_cast<double>(centre) / sampleRate_;
    const int64_t first = std::max<int64_t>(0, centre - std::lround(kProbeLead * sampleRate_));
    // (One channel tells when well enough, in half the time.)
    Recording probeStretch = Stretch(first, centre + std::lround(kProbeTail * sampleRate_));
    probeStretch.channels.resize(1);
    const AutoSpeed probe = EstimateSpeed(probeStretch, temperatureC_, maxSpeedKmh_);
    if (!probe.Answered()) return centreS;
    const double probeHeard = static_cast<double>(std::max(first, keptFrom_)) / sampleRate_ + probe.model.HeardAtClosest();
    return std::fabs(probeHeard - centreS) <= kHeardNear ? probeHeard : centreS;
}

// A pass as close as its fit says is that much louder where it is heard than kLouderBefore
// earlier: a jump from one faint sound to another (a pass's last tone to the next's first) fits
// a pass within a metre, whose level would have had to soar.
bool PassFinder::LoudAsItsDistance(const AutoSpeed& speed, double heard) const {
    const double d = speed.closestDistanceM, v = speed.speedKmh / 3.6;
    if (20.0 * std::log10(std::hypot(d, v * kLouderBefore) / d) < kSoaringDb) return true;
    const auto frameAt = [&](double t) {
        return std::clamp<int64_t>(std::lround((t * sampleRate_ - 0.5 * frameLength_) / hop_), levelFrom_, SmoothEnd() - 1);
    };
    float loudest = -1e9f;
    for (int64_t j = frameAt(heard - 1.0); j <= frameAt(heard + 1.0); ++j) loudest = std::max(loudest, Smoothed(j));
    return loudest - Smoothed(frameAt(heard - kLouderBefore)) >= kLouderDb;
}

// The moment centred at centreS measured up to stream frame `end`: from kLeadSeconds before; again
// from a shorter lead when that fit did not answer for this moment though something moved: what
// came long before (another sound, a coder's artefacts in a quiet lead-in) may have misled it.
// A refused fit is a pass only where its tone fell across the moment, which stood out well.
std::optional<FlybyPass> PassFinder::Measure(int64_t end, double centreS, float standOut) {
    const int64_t tail = std::lround(kTailSeconds * sampleRate_);
    FlybyPass pass;
    std::optional<AutoSpeed> refused;
    for (const double lead : {PassFinder::kLeadSeconds, kShortLeadSeconds}) {
        const int64_t first = std::max<int64_t>(0, end - tail - std::lround(lead * sampleRate_));
        AutoSpeed speed = EstimateSpeed(Stretch(first, end), temperatureC_, maxSpeedKmh_);
        ShiftTimes(speed, static_cast<double>(std::max(first, keptFrom_)) / sampleRate_);
        if ((speed.Answered() || PassHeardDespite(speed.refusal)) && speed.closestDistanceM > kFarthestPassM) break;
        if (speed.Answered()) {
            const double heard = speed.model.HeardAtClosest();
            // Syllables of a voice may fit a pass, one each side: a pass is one sound.
            if (std::fabs(heard - centreS) <= kHeardNear && FallsAcross(speed.track, heard, &speed.fittedHz) &&
                LoudAsItsDistance(speed, heard)) {
                pass.heardS = heard;
                pass.speed = std::move(speed);
                AllowForSlowRpmSwings(pass.speed, end);
                break;
            }
            continue;
        }
        if (speed.refusal != AutoSpeedRefusal::kTooShort) noPassReason_ = speed.refusal;
        if (NothingMoves(speed.refusal)) break;
        if (PassHeardDespite(speed.refusal) && !refused && standOut >= kRefusedStandOutDb &&
            FallsAcross(speed.track, centreS))
            refused = std::move(speed);
    }
    if (!pass.speed.Answered() && pass.speed.refusal != AutoSpeedRefusal::kUncertain) {
        if (!refused) return std::nullopt;
        pass.heardS = centreS;
        pass.speed = std::move(*refused);
    }
    return pass;
}

void PassFinder::Report(FlybyPass pass, std::vector<FlybyPass>& concluded) {
    pass.number = ++passesReported_;
    pass.reportedS = static_cast<double>(streamFrames_) / sampleRate_;
    lastPassS_ = pass.heardS;
    concluded.push_back(std::move(pass));
}

// What the moments still to judge need: their stretch's samples, the level before them.
void PassFinder::Forget() {
    const int64_t keepLevel =
        std::min(SmoothEnd(), nextCandidate_ - Frames(kQuietSeconds) - Frames(kBeforeSeconds) - Frames(kSmoothSeconds));
    while (levelFrom_ < keepLevel) level_.pop_front(), strongest_.pop_front(), smooth_.pop_front(), ++levelFrom_;
    const int64_t levelEnd = levelFrom_ + static_cast<int64_t>(level_.size());
    const int64_t keepSamples = std::min({(nextCandidate_ * hop_) - std::lround((PassFinder::kLeadSeconds + kHeardNear) * sampleRate_),
                                          levelEnd * hop_, streamFrames_});
    if (keepSamples > keptFrom_) {
        for (std::vector<int16_t>& channel : kept_) channel.erase(channel.begin(), channel.begin() + (keepSamples - keptFrom_));
        keptFrom_ = keepSamples;
    }
}

// Each moment is judged once the level after it is in. One that may be a pass is first measured
// roughly, on a short stretch, for when its pass is heard: the pass is then measured on its own
// stretch up to kTailSeconds after that, not after the moment, which a burst or a swing of the
// level may put late.
void PassFinder::Listen(std::vector<FlybyPass>& concluded, bool ended) {
    HearLevels();
    SmoothLevels(ended);
    const int64_t after = Frames(kAfterSeconds);
    const int64_t tail = std::lround(kTailSeconds * sampleRate_);
    for (;; ++nextCandidate_) {
        const int64_t k = nextCandidate_;
        const int64_t centre = k * hop_ + frameLength_ / 2;
        const double centreS = static_cast<double>(centre) / sampleRate_;
        if (!due_) {
            const bool complete = k + after < SmoothEnd() && centre + std::lround(kProbeTail * sampleRate_) <= streamFrames_;
            if (!complete && !(ended && k < SmoothEnd())) break;
            if (centreS < lastPassS_ + kPassApart) continue;
            const std::optional<float> standOut = StandsOut(k);
            if (!standOut) continue;
            if (expected_ && std::fabs(expected_->heardS - centreS) <= kHeardNear) {
                FlybyPass known = std::move(*expected_);
                expected_.reset();
                Report(std::move(known), concluded);
                continue;
            }
            due_ = std::lround(WhenHeard(centre) * sampleRate_) + tail;
            standOutDb_ = *standOut;
        }
        if (*due_ > streamFrames_ && !ended) break;
        const int64_t end = std::min(*due_, streamFrames_);
        due_.reset();
        if (std::optional<FlybyPass> pass = Measure(end, centreS, standOutDb_)) Report(std::move(*pass), concluded);
    }
    // No moment stood out: a tone heard most of the time stays as it is, else none was heard.
    if (passesReported_ == 0 && streamFrames_ > 0 &&
        (noPassReason_ == AutoSpeedRefusal::kNoSamples || noPassReason_ == AutoSpeedRefusal::kNoTone ||
         noPassReason_ == AutoSpeedRefusal::kNoPass))
        noPassReason_ = 2 * tonalFrames_ > SmoothEnd() ? AutoSpeedRefusal::kNoPass : AutoSpeedRefusal::kNoTone;
    Forget();
}

namespace {

// The passes heard in [from, to) of the recording, by a finder that hears it from `start` on;
// `heard` counts the frames all shares have heard, for the watch's progress.
PassSearch SearchShare(const Recording& recording, double temperatureC, double maxSpeedKmh, int64_t start,
                       int64_t end, double fromS, double toS, const std::optional<FlybyPass>& expected,
                       const PassSearchWatch* watch, std::atomic<int64_t>* heard) {
    PassFinder finder(recording.sampleRate, temperatureC, maxSpeedKmh, recording.ChannelCount());
    if (expected) finder.ExpectPass(*expected);
    const double startS = static_cast<double>(start) / recording.sampleRate;
    PassSearch kept;
    // The finder's clock starts where it started hearing.
    const auto keep = [&](std::vector<FlybyPass> found) {
        for (FlybyPass& pass : found) {
            pass.heardS += startS;
            pass.reportedS += startS;
            ShiftTimes(pass.speed, startS);
            if (pass.heardS < fromS || pass.heardS >= toS) continue;
            if (watch && watch->found) watch->found(pass);
            kept.passes.push_back(std::move(pass));
        }
    };
    constexpr int64_t kChunk = 1 << 20;
    const double frames = static_cast<double>(std::max<int64_t>(1, recording.FrameCount()));
    for (int64_t at = start; at < end; at += kChunk) {
        if (watch && watch->cancelled && watch->cancelled()) return kept;
        std::vector<std::span<const int16_t>> chunk;
        const int64_t length = std::min(kChunk, end - at);
        for (const std::vector<int16_t>& channel : recording.channels)
            chunk.emplace_back(channel.data() + at, static_cast<size_t>(length));
        keep(finder.Append(chunk));
        const int64_t sofar = *heard += length;
        if (watch && watch->progress) watch->progress(std::min(1.0, static_cast<double>(sofar) / frames));
    }
    keep(finder.Finish());
    kept.noPassReason = finder.NoPassReason();
    return kept;
}

}  // namespace

PassSearch FindPasses(const Recording& recording, double temperatureC, double maxSpeedKmh,
                      const PassSearchWatch* watch) {
    PassSearch search;
    if (recording.sampleRate <= 0 || recording.FrameCount() == 0) return search;
    const double seconds = recording.Seconds();
    const int64_t frames = recording.FrameCount();
    const auto shares = static_cast<int64_t>(std::clamp<double>(
        std::min<double>(std::max(1u, std::thread::hardware_concurrency()), seconds / kShareSeconds), 1.0, 64.0));
    // A short recording is measured whole first: where that finds its pass, the search need not
    // measure the moment again (its own stretch gave the same pass, or less).
    const bool single = seconds <= kSingleFlybySeconds;
    std::optional<AutoSpeed> whole;
    std::optional<FlybyPass> expected;
    if (single) {
        whole = EstimateSpeed(recording, temperatureC, maxSpeedKmh);
        if (whole->Answered() && shares == 1) {
            expected.emplace();
            expected->heardS = whole->model.HeardAtClosest();
            expected->speed = *whole;
        }
    }
    std::vector<std::future<PassSearch>> parts;
    std::atomic<int64_t> heard{0};
    const auto rate = static_cast<double>(recording.sampleRate);
    for (int64_t i = 0; i < shares; ++i) {
        const double fromS = seconds * static_cast<double>(i) / static_cast<double>(shares);
        const double toS = i + 1 == shares ? std::numeric_limits<double>::infinity()
                                           : seconds * static_cast<double>(i + 1) / static_cast<double>(shares);
        const int64_t start = std::max<int64_t>(0, std::llround((fromS - kSettleSeconds) * rate));
        const int64_t end = i + 1 == shares ? frames
                                            : std::min<int64_t>(frames, std::llround((toS + kSettleSeconds) * rate));
        parts.push_back(std::async(i + 1 == shares ? std::launch::deferred : std::launch::async, SearchShare,
                                   std::cref(recording), temperatureC, maxSpeedKmh, start, end, fromS, toS,
                                   std::cref(expected), watch, &heard));
    }
    std::vector<PassSearch> found(parts.size());
    found.back() = parts.back().get();  // the share this thread searches itself
    for (size_t i = 0; i + 1 < parts.size(); ++i) found[i] = parts[i].get();
    search.noPassReason = found.front().noPassReason;
    for (PassSearch& part : found)
        for (FlybyPass& pass : part.passes) search.passes.push_back(std::move(pass));
    for (size_t i = 0; i < search.passes.size(); ++i) search.passes[i].number = static_cast<int>(i + 1);

    if (watch && watch->cancelled && watch->cancelled()) return search;
    if (single && search.passes.size() <= 1) {
        const bool same = search.passes.empty() ||
                          (whole->Answered() && std::fabs(whole->model.HeardAtClosest() - search.passes.front().heardS) <= kHeardNear);
        if (whole->Answered() && same) {
            FlybyPass pass;
            pass.number = 1;
            pass.heardS = whole->model.HeardAtClosest();
            pass.reportedS = seconds;
            pass.speed = std::move(*whole);
            search.passes.assign(1, std::move(pass));
        } else if (search.passes.empty()) {
            search.noPassReason = whole->refusal;
        }
    }
    return search;
}

bool TakeClickedSpeed(FlybyPass& pass, const FlybyPass::Clicked& clicked) {
    if (pass.speed.Answered() || !(clicked.kmh > 0) || !std::isfinite(clicked.resolutionKmh)) return false;
    pass.clicked = clicked;
    pass.source = PassSource::kTwoClicks;
    return true;
}

}  // namespace pirolex
