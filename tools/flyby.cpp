#include "flyby.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <stdexcept>

namespace pirolex::flyby {

namespace {

constexpr double kMicSpacing = 0.3;  // metres between the two microphones of a stereo recording
constexpr int kMaxFrames = 700000;   // what the program keeps of a recording

struct Flight {
    double v;      // m/s
    double c;      // m/s
    double d;      // closest distance, m
    double tPass;  // emission time at which the source is nearest the microphones' centre
};

// Distance from the source, emitted at tau, to a microphone at offset micX along the line.
double Range(const Flight& f, double tau, double micX) {
    const double along = f.v * (tau - f.tPass) - micX;
    return std::hypot(along, f.d);
}

// Solves tau + r(tau) / c = t by Newton's method from a nearby guess. The left side grows
// strictly with tau (its slope is at least 1 - v / c > 0), so the root is unique.
double EmissionTime(const Flight& f, double t, double micX, double guess) {
    double tau = guess;
    for (int i = 0; i < 20; ++i) {
        const double r = Range(f, tau, micX);
        const double g = tau + r / f.c - t;
        const double slope = 1.0 + f.v * (f.v * (tau - f.tPass) - micX) / (r * f.c);
        const double step = g / slope;
        tau -= step;
        if (std::fabs(step) < 1e-13) break;
    }
    return tau;
}

// The engine's phase in cycles of the base tone, divided by the base frequency: tau itself at a
// steady rpm, so that the steady tone is computed exactly as without the wobble.
double EngineTime(const Params& p, double tau) {
    if (p.rpmWobble == 0.0) return tau;
    const double w = 2.0 * std::numbers::pi * p.wobbleHz;
    return tau - p.rpmWobble * std::cos(w * tau) / w;
}

// Whether a recorder would have kept harmonic h (0 = the base tone).
bool Audible(const Params& p, size_t h) {
    if (!p.dropAliasedHarmonics) return true;
    const double c = SoundSpeed(p.temperature), v = p.speedKmh / 3.6;
    const double highest = p.baseFrequency * static_cast<double>(h + 1) * (1.0 + p.rpmWobble) * c / (c - v);
    return highest < 0.5 * p.sampleRate;
}

// The tilt of the harmonics' balance in dB per harmonic number at the angle whose cosine is
// given (-1 far before the pass, 1 far after).
double TiltDb(const Params& p, double cosine) {
    return p.tiltBeforeDb + 0.5 * (cosine + 1.0) * (p.tiltAfterDb - p.tiltBeforeDb);
}

double Tone(const Params& p, double tau, double cosine) {
    const double engineTime = EngineTime(p, tau);
    const bool tilted = p.tiltBeforeDb != 0.0 || p.tiltAfterDb != 0.0;
    const double tiltGain = tilted ? std::pow(10.0, TiltDb(p, cosine) / 20.0) : 1.0;
    double sum = 0.0, gain = 1.0;
    for (size_t h = 0; h < p.harmonics.size(); ++h, gain *= tiltGain) {
        if (!Audible(p, h)) continue;
        // A fixed phase per harmonic so the harmonics do not all peak together.
        const double phase = 0.7 * static_cast<double>(h * h);
        sum += gain * p.harmonics[h] *
               std::sin(2.0 * std::numbers::pi * p.baseFrequency * static_cast<double>(h + 1) * engineTime +
                        phase);
    }
    return sum;
}

double HarmonicSum(const Params& p) {
    double sum = 0.0;
    for (double a : p.harmonics) sum += std::fabs(a);
    return sum > 0.0 ? sum : 1.0;
}

int64_t FrameCount(const Params& p) {
    return static_cast<int64_t>(std::llround(p.seconds * p.sampleRate));
}

// Two one-pole low passes in a row, unity gain at 0 Hz: noise through it keeps its level per
// hertz below the corner and falls off above it.
struct LowPass {
    double a = 0.0, y1 = 0.0, y2 = 0.0;
    LowPass(double cornerHz, int sampleRate) : a(std::exp(-2.0 * std::numbers::pi * cornerHz / sampleRate)) {}
    double operator()(double x) {
        y1 += (1.0 - a) * (x - y1);
        y2 += (1.0 - a) * (y1 - y2);
        return y2;
    }
};

// A Hann window over width centred on 0: 1 at the centre, 0 from width / 2 on.
double Hann(double x, double width) {
    if (std::fabs(x) >= 0.5 * width) return 0.0;
    return 0.5 + 0.5 * std::cos(2.0 * std::numbers::pi * x / width);
}

// The sounds that are not the tone and reach both microphones alike: the burst at the pass,
// clicks and handling noise. Their own random streams leave the background noise as it is
// without them.
std::vector<double> FieldSounds(const Params& p, int64_t frames) {
    std::vector<double> out(static_cast<size_t>(frames), 0.0);
    const double rate = p.sampleRate;
    if (p.burstDb > 0.0) {
        std::mt19937 rng(p.seed ^ 0x9E3779B9u);
        std::normal_distribution<double> noise(0.0, 1.0);
        LowPass lowPass(p.burstHz, p.sampleRate);
        const double sigma = std::max(p.noiseLevel, 1e-4) * std::pow(10.0, p.burstDb / 20.0);
        const double centre = HeardPassSeconds(p);
        for (int64_t i = 0; i < frames; ++i) {
            const double filtered = lowPass(noise(rng));
            out[static_cast<size_t>(i)] += sigma * Hann(static_cast<double>(i) / rate - centre, 2.0 * p.burstSeconds) * filtered;
        }
    }
    std::mt19937 rng(p.seed ^ 0x5BD1E995u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto arrivals = [&](double perSecond, auto&& add) {
        if (!(perSecond > 0.0)) return;
        std::exponential_distribution<double> gap(perSecond);
        for (double t = gap(rng); t < static_cast<double>(frames) / rate; t += gap(rng)) add(t);
    };
    arrivals(p.clicksPerSecond, [&](double t) {
        const double level = p.clickLevel * (unit(rng) < 0.5 ? -1.0 : 1.0) * (0.3 + 0.7 * unit(rng));
        const auto start = static_cast<int64_t>(t * rate);
        for (int64_t n = 0; n < static_cast<int64_t>(0.002 * rate) && start + n < frames; ++n)
            out[static_cast<size_t>(start + n)] += level * std::exp(-static_cast<double>(n) / (0.0002 * rate));
    });
    arrivals(p.handlingPerSecond, [&](double t) {
        const double hz = 40.0 + 100.0 * unit(rng), level = p.handlingLevel * (0.3 + 0.7 * unit(rng));
        const double width = 0.1;
        const auto start = static_cast<int64_t>(t * rate);
        for (int64_t n = 0; n < static_cast<int64_t>(width * rate) && start + n < frames; ++n) {
            const double s = static_cast<double>(n) / rate;
            out[static_cast<size_t>(start + n)] +=
                level * Hann(s - 0.5 * width, width) * std::sin(2.0 * std::numbers::pi * hz * s);
        }
    });
    return out;
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

double SoundSpeed(double temperature) { return std::sqrt(temperature + 273.15) * 20.03; }

double HeardPassSeconds(const Params& p) {
    return p.passSeconds.value_or(p.seconds / 2.0) + p.closestDistance / SoundSpeed(p.temperature);
}

double ApproachFrequency(const Params& p, int harmonic) {
    const double c = SoundSpeed(p.temperature), v = p.speedKmh / 3.6;
    return p.baseFrequency * harmonic * c / (c - v);
}

double RecedeFrequency(const Params& p, int harmonic) {
    const double c = SoundSpeed(p.temperature), v = p.speedKmh / 3.6;
    return p.baseFrequency * harmonic * c / (c + v);
}

std::string Validate(const Params& p) {
    if (!(p.sampleRate >= 1000 && p.sampleRate <= 384000)) return "sample rate out of 1000..384000";
    if (p.channels != 1 && p.channels != 2) return "channels must be 1 or 2";
    if (!(p.seconds > 0.0) || FrameCount(p) < 1) return "the recording needs at least one frame";
    if (p.limitToProgramFrames && FrameCount(p) > kMaxFrames)
        return "longer than 700000 frames: the program keeps only those";
    if (!(p.temperature >= -100.0 && p.temperature <= 100.0)) return "temperature out of -100..100";
    if (!(p.speedKmh >= 0.0 && p.speedKmh / 3.6 < 0.9 * SoundSpeed(p.temperature)))
        return "speed must lie between 0 and 90 % of the speed of sound";
    if (!(p.closestDistance > 0.0)) return "closest distance must be positive";
    if (!(p.baseFrequency > 0.0)) return "base frequency must be positive";
    if (!(p.noiseLevel >= 0.0) || !(p.peakLevel >= 0.0)) return "levels must not be negative";
    if (!(p.rpmWobble >= 0.0 && p.rpmWobble < 0.5)) return "rpm wobble must lie in 0..0.5";
    if (!(p.wobbleHz > 0.0)) return "wobble frequency must be positive";
    if (p.passSeconds && !std::isfinite(*p.passSeconds)) return "pass time must be a number";
    if (!(p.burstDb >= 0.0 && p.burstDb <= 60.0)) return "burst must lie in 0..60 dB";
    if (!(p.burstSeconds > 0.0) || !(p.burstHz > 0.0)) return "burst length and corner must be positive";
    if (!std::isfinite(p.tiltBeforeDb) || !std::isfinite(p.tiltAfterDb) || std::fabs(p.tiltBeforeDb) > 60.0 ||
        std::fabs(p.tiltAfterDb) > 60.0)
        return "harmonic tilt must lie in -60..60 dB";
    if (!(p.levelSwingDb >= 0.0 && p.levelSwingDb <= 40.0) || !(p.levelSwingHz > 0.0))
        return "level swing must lie in 0..40 dB at a positive rate";
    if (!(p.clicksPerSecond >= 0.0 && p.handlingPerSecond >= 0.0 && p.clickLevel >= 0.0 &&
          p.handlingLevel >= 0.0))
        return "clicks and handling noise must not be negative";
    return "";
}

std::vector<double> Samples(const Params& p) {
    const std::string problem = Validate(p);
    if (!problem.empty()) throw std::invalid_argument(problem);
    const Flight flight{p.speedKmh / 3.6, SoundSpeed(p.temperature), p.closestDistance,
                        p.passSeconds.value_or(p.seconds / 2.0)};
    const int64_t frames = FrameCount(p);
    const double gain = p.peakLevel / HarmonicSum(p);
    const std::vector<double> field = FieldSounds(p, frames);
    std::mt19937 rng(p.seed);
    std::normal_distribution<double> noise(0.0, p.noiseLevel > 0.0 ? p.noiseLevel : 1.0);
    std::vector<double> out(static_cast<size_t>(frames * p.channels));
    for (int ch = 0; ch < p.channels; ++ch) {
        const double micX = p.channels == 1 ? 0.0 : (ch - 0.5) * kMicSpacing;
        double tau = -Range(flight, 0.0, micX) / flight.c;
        for (int64_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / p.sampleRate;
            tau = EmissionTime(flight, t, micX, tau);
            const double range = Range(flight, tau, micX);
            double level = gain * flight.d / range;
            if (p.levelSwingDb > 0.0)
                level *= std::pow(10.0, p.levelSwingDb / 20.0 * std::sin(2.0 * std::numbers::pi * p.levelSwingHz * t));
            const double cosine = (flight.v * (tau - flight.tPass) - micX) / range;
            double s = level * Tone(p, tau, cosine) + field[static_cast<size_t>(i)];
            if (p.noiseLevel > 0.0) s += noise(rng);
            out[static_cast<size_t>(i * p.channels + ch)] = std::clamp(s, -1.0, 1.0);
        }
    }
    return out;
}

std::vector<std::vector<int16_t>> PcmChannels(const Params& p) {
    const std::vector<double> samples = Samples(p);
    std::vector<std::vector<int16_t>> channels(static_cast<size_t>(p.channels));
    for (size_t i = 0; i < samples.size(); ++i)
        channels[i % channels.size()].push_back(static_cast<int16_t>(std::lround(samples[i] * 32767.0)));
    return channels;
}

std::vector<uint8_t> PcmWavHeader(int channels, int sampleRate, uint32_t dataBytes) {
    const uint32_t blockAlign = static_cast<uint32_t>(2 * channels);
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    PutU32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, static_cast<uint32_t>(channels));
    PutU32(out, static_cast<uint32_t>(sampleRate));
    PutU32(out, static_cast<uint32_t>(sampleRate) * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, 16);
    PutTag(out, "data");
    PutU32(out, dataBytes);
    return out;
}

std::vector<uint8_t> MakeWav(const Params& p) {
    const std::vector<double> samples = Samples(p);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out = PcmWavHeader(p.channels, p.sampleRate, dataBytes);
    out.reserve(out.size() + dataBytes);
    for (double s : samples) {
        const long v = std::lround(s * 32767.0);
        PutU16(out, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(v))));
    }
    return out;
}

}  // namespace pirolex::flyby
