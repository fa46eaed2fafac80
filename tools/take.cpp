#include "take.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>

namespace pirolex::flyby {

namespace {

constexpr double kLongestHalf = 20.0;  // s of a pass on either side of its closest point
constexpr double kFade = 2.0;          // s over which a pass fades in and out where it is cut
constexpr double kBlockSeconds = 10.0;

double Hann01(double x) { return 0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(x, 0.0, 1.0)); }

// One pass over its stretch [start, start + seconds) of the take, interleaved, without the
// background noise (the take has its own); its burst keeps its level over that noise.
struct RenderedPass {
    int64_t firstFrame = 0;
    std::vector<double> samples;
};

RenderedPass RenderPass(const Take& take, const Params& pass, double start, double end, uint32_t seed) {
    Params p = pass;
    p.sampleRate = take.sampleRate;
    p.channels = take.channels;
    p.temperature = take.temperature;
    p.seed = seed;
    p.limitToProgramFrames = false;
    RenderedPass out;
    out.firstFrame = static_cast<int64_t>(std::llround(start * take.sampleRate));
    const double first = static_cast<double>(out.firstFrame) / take.sampleRate;
    p.seconds = end - first;
    p.passSeconds = pass.passSeconds.value_or(0.0) - first;
    if (p.burstDb > 0.0)
        p.burstDb = std::clamp(p.burstDb + 20.0 * std::log10(std::max(take.noiseLevel, 1e-4) / 1e-4), 0.0, 60.0);
    p.noiseLevel = 0.0;
    out.samples = Samples(p);
    const auto frames = static_cast<int64_t>(out.samples.size()) / take.channels;
    const bool fadeIn = start > 0.0, fadeOut = end < take.seconds;
    for (int64_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / take.sampleRate;
        double gain = 1.0;
        if (fadeIn) gain *= Hann01(t / kFade);
        if (fadeOut) gain *= Hann01((p.seconds - t) / kFade);
        for (int c = 0; c < take.channels; ++c) out.samples[static_cast<size_t>(i * take.channels + c)] *= gain;
    }
    return out;
}

// The sounds that are not the passes, block by block, continuing where the last block ended.
class Background {
public:
    explicit Background(const Take& take) : take_(take), rng_(take.seed ^ 0xA5A5F00Du) {}

    // Mono samples of the sounds for frames [first, first + count).
    std::vector<double> Next(int64_t first, int64_t count) {
        std::vector<double> out(static_cast<size_t>(count), 0.0);
        const double rate = take_.sampleRate;
        for (TakeSound sound : take_.sounds) {
            for (int64_t i = 0; i < count; ++i) {
                const double t = static_cast<double>(first + i) / rate;
                out[static_cast<size_t>(i)] += Sample(sound, t);
            }
        }
        return out;
    }

private:
    double Sample(TakeSound sound, double t) {
        const double twoPi = 2.0 * std::numbers::pi;
        switch (sound) {
        case TakeSound::kIdle: {
            // 2400 Hz at idle, the rpm wobbling by 0.5 % twice a second.
            const double w = twoPi * 2.0;
            const double engineTime = t - 0.005 * std::cos(w * t) / w;
            return 0.08 * (std::sin(twoPi * 2400.0 * engineTime) + 0.4 * std::sin(twoPi * 4800.0 * engineTime + 0.7) +
                           0.2 * std::sin(twoPi * 7200.0 * engineTime + 2.8));
        }
        case TakeSound::kHum: {
            double sum = 0.0;
            for (int k = 1; k <= 8; ++k) sum += std::sin(twoPi * 50.0 * k * t + 0.3 * k * k) / k;
            return 0.05 * sum;
        }
        case TakeSound::kWind: {
            // Gusts: the level following a slow random walk between calm and strong.
            if (t >= nextGust_) {
                gustFrom_ = gustTo_;
                gustTo_ = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
                gustStart_ = t;
                nextGust_ = t + std::uniform_real_distribution<double>(0.5, 3.0)(rng_);
            }
            const double gust = gustFrom_ + (gustTo_ - gustFrom_) * Hann01((t - gustStart_) / (nextGust_ - gustStart_));
            const double a = std::exp(-twoPi * 150.0 / take_.sampleRate);
            wind1_ += (1.0 - a) * (gauss_(rng_) - wind1_);
            wind2_ += (1.0 - a) * (wind1_ - wind2_);
            return 3.0 * gust * wind2_;
        }
        case TakeSound::kVoices: {
            if (t >= syllableEnd_ + pause_) {
                std::uniform_real_distribution<double> unit(0.0, 1.0);
                syllableStart_ = t;
                syllableEnd_ = t + 0.1 + 0.4 * unit(rng_);
                pitchFrom_ = 90.0 + 180.0 * unit(rng_);
                pitchTo_ = pitchFrom_ * (0.7 + 0.6 * unit(rng_));
                pause_ = unit(rng_) < 0.2 ? 1.0 + 3.0 * unit(rng_) : 0.05 + 0.2 * unit(rng_);
            }
            if (t >= syllableEnd_) return 0.0;
            const double length = syllableEnd_ - syllableStart_, x = (t - syllableStart_) / length;
            const double pitch = pitchFrom_ + (pitchTo_ - pitchFrom_) * x;
            voicePhase_ += pitch / take_.sampleRate;
            double sum = 0.0;
            // A vowel's formants near 700 and 1200 Hz over a falling slope.
            for (int k = 1; k <= 30; ++k) {
                const double hz = k * pitch;
                const double formant = std::exp(-std::pow((hz - 700.0) / 250.0, 2)) + 0.6 * std::exp(-std::pow((hz - 1200.0) / 300.0, 2));
                sum += (0.3 / k + formant) * std::sin(twoPi * k * voicePhase_);
            }
            return 0.05 * std::sin(std::numbers::pi * x) * sum;
        }
        }
        return 0.0;
    }

    const Take& take_;
    std::mt19937 rng_;
    std::normal_distribution<double> gauss_{0.0, 1.0};
    double gustFrom_ = 0.0, gustTo_ = 0.0, gustStart_ = 0.0, nextGust_ = 0.0, wind1_ = 0.0, wind2_ = 0.0;
    double syllableStart_ = 0.0, syllableEnd_ = -1.0, pause_ = 0.0, pitchFrom_ = 0.0, pitchTo_ = 0.0;
    double voicePhase_ = 0.0;
};

template <class Sink>
void MakeTake(const Take& take, Sink sink) {
    if (take.channels != 1 && take.channels != 2) throw std::invalid_argument("channels must be 1 or 2");
    const auto frames = static_cast<int64_t>(std::llround(take.seconds * take.sampleRate));
    std::vector<Params> passes = take.passes;
    std::sort(passes.begin(), passes.end(),
              [](const Params& a, const Params& b) { return a.passSeconds.value_or(0) < b.passSeconds.value_or(0); });
    // The clicks and thumps come from a fly-by of no tone over the whole take.
    Params field;
    field.peakLevel = 0.0;
    field.noiseLevel = 0.0;
    field.clicksPerSecond = take.clicksPerSecond;
    field.handlingPerSecond = take.handlingPerSecond;
    field.seed = take.seed;
    std::vector<RenderedPass> rendered;
    size_t nextPass = 0;
    Background background(take);
    std::mt19937 rng(take.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const auto blockFrames = static_cast<int64_t>(kBlockSeconds * take.sampleRate);
    for (int64_t first = 0; first < frames; first += blockFrames) {
        const int64_t count = std::min(blockFrames, frames - first);
        const double blockEnd = static_cast<double>(first + count) / take.sampleRate;
        while (nextPass < passes.size() && passes[nextPass].passSeconds.value_or(0) - kLongestHalf < blockEnd) {
            const double at = passes[nextPass].passSeconds.value_or(0);
            const double before = nextPass > 0 ? 0.5 * (at + passes[nextPass - 1].passSeconds.value_or(0)) : 0.0;
            const double after =
                nextPass + 1 < passes.size() ? 0.5 * (at + passes[nextPass + 1].passSeconds.value_or(0)) : take.seconds;
            rendered.push_back(RenderPass(take, passes[nextPass], std::max({0.0, before, at - kLongestHalf}),
                                          std::min({take.seconds, after, at + kLongestHalf}),
                                          take.seed * 7919u + static_cast<uint32_t>(nextPass)));
            ++nextPass;
        }
        std::vector<double> block(static_cast<size_t>(count * take.channels), 0.0);
        const std::vector<double> sounds = background.Next(first, count);
        for (int64_t i = 0; i < count; ++i)
            for (int c = 0; c < take.channels; ++c)
                block[static_cast<size_t>(i * take.channels + c)] = sounds[static_cast<size_t>(i)] + take.noiseLevel * noise(rng);
        for (const RenderedPass& pass : rendered) {
            const auto passFrames = static_cast<int64_t>(pass.samples.size()) / take.channels;
            for (int64_t i = std::max(first, pass.firstFrame); i < std::min(first + count, pass.firstFrame + passFrames); ++i)
                for (int c = 0; c < take.channels; ++c)
                    block[static_cast<size_t>((i - first) * take.channels + c)] +=
                        pass.samples[static_cast<size_t>((i - pass.firstFrame) * take.channels + c)];
        }
        std::erase_if(rendered, [&](const RenderedPass& pass) {
            return pass.firstFrame + static_cast<int64_t>(pass.samples.size()) / take.channels <= first + count;
        });
        if (take.clicksPerSecond > 0.0 || take.handlingPerSecond > 0.0) {
            field.seed = take.seed + static_cast<uint32_t>(first / blockFrames);
            field.seconds = static_cast<double>(count) / take.sampleRate;
            field.sampleRate = take.sampleRate;
            field.channels = 1;
            field.limitToProgramFrames = false;
            const std::vector<double> extra = Samples(field);
            for (int64_t i = 0; i < count; ++i)
                for (int c = 0; c < take.channels; ++c) block[static_cast<size_t>(i * take.channels + c)] += extra[static_cast<size_t>(i)];
        }
        sink(block);
    }
}

int16_t Pcm(double s) { return static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 32767.0)); }

}  // namespace

std::vector<std::vector<int16_t>> TakeChannels(const Take& take) {
    std::vector<std::vector<int16_t>> out(static_cast<size_t>(take.channels));
    for (auto& channel : out) channel.reserve(static_cast<size_t>(std::llround(take.seconds * take.sampleRate)));
    MakeTake(take, [&](const std::vector<double>& block) {
        for (size_t i = 0; i < block.size(); ++i) out[i % out.size()].push_back(Pcm(block[i]));
    });
    return out;
}

std::vector<uint8_t> TakeWav(const Take& take) {
    const auto frames = static_cast<uint32_t>(std::llround(take.seconds * take.sampleRate));
    const uint32_t dataBytes = frames * 2u * static_cast<uint32_t>(take.channels);
    std::vector<uint8_t> out = PcmWavHeader(take.channels, take.sampleRate, dataBytes);
    out.reserve(out.size() + dataBytes);
    const auto put = [&](uint16_t v) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    MakeTake(take, [&](const std::vector<double>& block) {
        for (double s : block) put(static_cast<uint16_t>(Pcm(s)));
    });
    return out;
}

Take RandomTake(const TakeShape& shape) {
    Take take = PasslessTake(TakeSound::kIdle, shape);
    take.sounds.clear();
    std::mt19937 rng(shape.seed * 2654435761u + 17u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto in = [&](double low, double high) { return low + (high - low) * unit(rng); };
    for (double at = in(8.0, 20.0); at < shape.seconds - 8.0; at += in(18.0, 40.0)) {
        Params p;
        p.passSeconds = at;
        p.speedKmh = in(60.0, 250.0);
        p.closestDistance = std::exp(in(std::log(4.0), std::log(60.0)));
        p.baseFrequency = std::exp(in(std::log(300.0), std::log(6000.0)));
        const int harmonics = 1 + static_cast<int>(unit(rng) * 4.0);
        p.harmonics.assign(static_cast<size_t>(harmonics), 0.0);
        for (int h = 0; h < harmonics; ++h) p.harmonics[static_cast<size_t>(h)] = std::pow(in(0.3, 0.7), h);
        p.dropAliasedHarmonics = true;
        p.rpmWobble = in(0.0, 0.008);
        p.wobbleHz = in(0.2, 1.0);
        // A far model is quieter than a near one beyond the 1 / r of its own pass.
        p.peakLevel = std::clamp(0.7 * std::sqrt(10.0 / p.closestDistance), 0.1, 0.8);
        if (shape.field) {
            if (unit(rng) < 0.75) {
                p.burstDb = in(20.0, 35.0);
                p.burstSeconds = in(1.0, 2.0);
                p.burstHz = in(2000.0, 8000.0);
            }
            if (harmonics > 1) {
                p.tiltBeforeDb = in(-10.0, 3.0);
                p.tiltAfterDb = in(-25.0, -5.0);
            }
            p.levelSwingDb = in(0.0, 6.0);
            p.levelSwingHz = in(0.1, 0.5);
        }
        take.passes.push_back(p);
    }
    return take;
}

Take PasslessTake(TakeSound sound, const TakeShape& shape) {
    Take take;
    take.seed = shape.seed;
    take.seconds = shape.seconds;
    take.sampleRate = shape.sampleRate;
    take.channels = shape.channels;
    take.sounds = {sound};
    if (shape.field) {
        take.noiseLevel = 0.01;
        take.clicksPerSecond = 0.2;
        take.handlingPerSecond = 0.05;
    }
    return take;
}

}  // namespace pirolex::flyby
