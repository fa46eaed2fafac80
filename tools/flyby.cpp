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

double Tone(const Params& p, double tau) {
    const double engineTime = EngineTime(p, tau);
    double sum = 0.0;
    for (size_t h = 0; h < p.harmonics.size(); ++h) {
        if (!Audible(p, h)) continue;
        // A fixed phase per harmonic so the harmonics do not all peak together.
        const double phase = 0.7 * static_cast<double>(h * h);
        sum += p.harmonics[h] *
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
    return "";
}

std::vector<double> Samples(const Params& p) {
    const std::string problem = Validate(p);
    if (!problem.empty()) throw std::invalid_argument(problem);
    const Flight flight{p.speedKmh / 3.6, SoundSpeed(p.temperature), p.closestDistance,
                        p.passSeconds.value_or(p.seconds / 2.0)};
    const int64_t frames = FrameCount(p);
    const double gain = p.peakLevel / HarmonicSum(p);
    std::mt19937 rng(p.seed);
    std::normal_distribution<double> noise(0.0, p.noiseLevel > 0.0 ? p.noiseLevel : 1.0);
    std::vector<double> out(static_cast<size_t>(frames * p.channels));
    for (int ch = 0; ch < p.channels; ++ch) {
        const double micX = p.channels == 1 ? 0.0 : (ch - 0.5) * kMicSpacing;
        double tau = -Range(flight, 0.0, micX) / flight.c;
        for (int64_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / p.sampleRate;
            tau = EmissionTime(flight, t, micX, tau);
            const double level = gain * flight.d / Range(flight, tau, micX);
            double s = level * Tone(p, tau);
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

std::vector<uint8_t> MakeWav(const Params& p) {
    const std::vector<double> samples = Samples(p);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t blockAlign = static_cast<uint32_t>(2 * p.channels);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    PutU32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, static_cast<uint32_t>(p.channels));
    PutU32(out, static_cast<uint32_t>(p.sampleRate));
    PutU32(out, static_cast<uint32_t>(p.sampleRate) * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, 16);
    PutTag(out, "data");
    PutU32(out, dataBytes);
    for (double s : samples) {
        const long v = std::lround(s * 32767.0);
        PutU16(out, static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int16_t>(v))));
    }
    return out;
}

}  // namespace pirolex::flyby
