// The automatic speed on fly-bys from the project's synthesiser: the speed within 1 % and within
// two of its own sigmas, the other results near the truth, and a refusal with its reason for
// every recording without a whole pass of a tone.
#include "auto_speed.h"
#include "flyby.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>

namespace pirolex {
namespace {

Recording FromSynthesiser(const flyby::Params& p) {
    Recording r;
    r.sampleRate = p.sampleRate;
    r.channels = flyby::PcmChannels(p);
    return r;
}

struct Flight {
    double kmh, distance, toneHz;
    int rate, channels;
    std::vector<double> harmonics;
    double wobble;
    double passShare;  // when the source is nearest, as a share of the 10 s
    double tolerance;  // relative; a far pass is seen less of in 10 s
};

TEST(AutoSpeed, MeasuresSynthesisedFlybys) {
    const Flight flights[] = {
        {120.0, 10.0, 4350.0, 44100, 1, {1.0, 0.4, 0.2}, 0.0, 0.5, 0.01},  // the bundled sample
        {35.0, 5.0, 600.0, 22050, 1, {1.0, 0.5}, 0.005, 0.5, 0.01},
        {300.0, 30.0, 2000.0, 48000, 2, {1.0}, 0.01, 0.4, 0.01},
        {80.0, 60.0, 7000.0, 48000, 1, {1.0, 0.3}, 0.003, 0.6, 0.02},
        {200.0, 3.0, 250.0, 44100, 2, {0.3, 1.0, 0.5, 0.2, 0.1}, 0.008, 0.5, 0.01},
        // A low tone: seven periods in a frame of the track, whose pitch there is off by 0.1 %.
        {60.0, 3.0, 150.0, 22050, 1, {1.0}, 0.0, 0.5, 0.01},
    };
    for (const Flight& f : flights) {
        flyby::Params p;
        p.speedKmh = f.kmh;
        p.closestDistance = f.distance;
        p.baseFrequency = f.toneHz;
        p.sampleRate = f.rate;
        p.channels = f.channels;
        p.harmonics = f.harmonics;
        p.rpmWobble = f.wobble;
        p.seconds = 10.0;
        p.passSeconds = f.passShare * p.seconds;
        const AutoSpeed r = EstimateSpeed(FromSynthesiser(p), p.temperature);
        SCOPED_TRACE(testing::Message() << f.kmh << " km/h, " << f.distance << " m, " << f.toneHz << " Hz");
        ASSERT_TRUE(r.Answered()) << static_cast<int>(r.refusal);
        EXPECT_NEAR(r.speedKmh, f.kmh, f.tolerance * f.kmh);
        EXPECT_NEAR(r.speedKmh, f.kmh, 2.0 * r.sigmaKmh);
        EXPECT_GT(r.sigmaKmh, 0.0);
        // Any harmonic may carry the track; the results are that harmonic's.
        const int h = r.Harmonic();
        ASSERT_TRUE(h >= 1 && h <= static_cast<int>(f.harmonics.size())) << h;
        EXPECT_NEAR(r.restFrequencyHz, h * f.toneHz, 0.003 * f.toneHz);
        EXPECT_NEAR(r.closestTimeS, *p.passSeconds, 0.05);
        // The distance shows only in how fast the tone falls at the pass, which the rpm's wobble
        // blurs: a rough check.
        EXPECT_NEAR(std::log(r.closestDistanceM / f.distance), 0.0, std::log(1.5));
        EXPECT_NEAR(r.approachFrequencyHz, h * flyby::ApproachFrequency(p), 0.01 * f.toneHz);
        EXPECT_NEAR(r.recedeFrequencyHz, h * flyby::RecedeFrequency(p), 0.01 * f.toneHz);
        ASSERT_EQ(r.fittedHz.size(), r.track.Size());
        ASSERT_GT(r.track.Size(), 100u);
        // The curve drawn is the model's at the track's times, and it follows the track.
        const size_t middle = r.track.Size() / 2;
        EXPECT_DOUBLE_EQ(r.fittedHz[middle], r.model.FrequencyAt(r.track.times[middle]));
        EXPECT_NEAR(r.fittedHz[middle], r.track.frequencies[middle], 0.02 * r.fittedHz[middle]);
    }
}

// A loud steady hum (a generator nearby) at a pitch the engine's tone sweeps through is taken
// for background, not followed.
TEST(AutoSpeed, IgnoresASteadyHum) {
    flyby::Params p;
    p.seconds = 8.0;
    p.baseFrequency = 2500.0;
    p.harmonics = {1.0};
    Recording r = FromSynthesiser(p);
    for (size_t i = 0; i < r.channels[0].size(); ++i) {
        const double hum =
            8000.0 * std::sin(2.0 * std::numbers::pi * 2600.0 * static_cast<double>(i) / p.sampleRate);
        r.channels[0][i] = static_cast<int16_t>(std::clamp(r.channels[0][i] + hum, -32768.0, 32767.0));
    }
    const AutoSpeed result = EstimateSpeed(r, p.temperature);
    ASSERT_TRUE(result.Answered()) << static_cast<int>(result.refusal);
    EXPECT_NEAR(result.speedKmh, p.speedKmh, 0.01 * p.speedKmh);
    EXPECT_NEAR(result.restFrequencyHz, 2500.0, 5.0);
}

// Road noise: loud broadband noise that swells and fades as if a car passed, with no tone in it.
Recording PassingNoise() {
    Recording r;
    r.sampleRate = 22050;
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 3000.0);
    r.channels.emplace_back();
    for (int i = 0; i < 8 * 22050; ++i) {
        const double swell = 1.0 / (1.0 + std::pow((i / 22050.0 - 4.0) / 1.5, 2));
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(swell * noise(rng), -32768.0, 32767.0)));
    }
    return r;
}

// An engine tone that drops an octave at once, as when the loudest harmonic changes: before and
// after look like a pass at a third of the speed of sound, but there is no fall between them.
Recording OctaveDrop() {
    Recording r;
    r.sampleRate = 44100;
    r.channels.emplace_back();
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 100.0);
    double phase = 0.0;
    for (int i = 0; i < 8 * 44100; ++i) {
        phase += 2.0 * std::numbers::pi * (i < 4 * 44100 ? 1600.0 : 800.0) / 44100.0;
        r.channels[0].push_back(static_cast<int16_t>(std::lround(12000.0 * std::sin(phase) + noise(rng))));
    }
    return r;
}

// A multirotor hovering: rotor lines at 90 and 180 Hz whose pitch wanders by a thousandth and
// whose level beats by 10 dB, over its own low broadband roar, for 10 s. Nothing passes.
Recording Hovering() {
    constexpr int kRate = 44100;
    Recording r;
    r.sampleRate = kRate;
    r.channels.emplace_back();
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 1500.0);
    double phase = 0.0, roar = 0.0;
    for (int i = 0; i < 10 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += 2.0 * std::numbers::pi * 90.0 * (1.0 + 0.001 * std::sin(2.0 * std::numbers::pi * 0.3 * t)) / kRate;
        const double beat = std::pow(10.0, 0.25 * std::sin(2.0 * std::numbers::pi * 1.7 * t));
        roar = 0.97 * roar + noise(rng);  // low-passed: the rotors' broadband noise
        const double x = beat * (9000.0 * std::sin(phase) + 6000.0 * std::sin(2.0 * phase)) + roar;
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0)));
    }
    return r;
}

TEST(AutoSpeed, RefusesWhatHoldsNoWholePass) {
    flyby::Params tone;
    tone.seconds = 8.0;
    flyby::Params noiseOnly = tone, steady = tone, approachOnly = tone, departureOnly = tone, shortOne = tone;
    noiseOnly.peakLevel = 0.0;
    noiseOnly.noiseLevel = 0.05;
    steady.speedKmh = 0.0;
    approachOnly.passSeconds = 7.95;
    departureOnly.passSeconds = 0.02;
    shortOne.seconds = 0.8;
    Recording silence;
    silence.sampleRate = 44100;
    silence.channels.assign(2, std::vector<int16_t>(5 * 44100, 0));

    const struct {
        const char* what;
        Recording recording;
        AutoSpeedRefusal expected;
    } cases[] = {
        {"nothing", Recording{}, AutoSpeedRefusal::kNoSamples},
        {"short", FromSynthesiser(shortOne), AutoSpeedRefusal::kTooShort},
        {"silence", silence, AutoSpeedRefusal::kSilence},
        {"noise", FromSynthesiser(noiseOnly), AutoSpeedRefusal::kNoTone},
        {"road noise", PassingNoise(), AutoSpeedRefusal::kNoTone},
        {"steady tone", FromSynthesiser(steady), AutoSpeedRefusal::kNoPass},
        {"approach only", FromSynthesiser(approachOnly), AutoSpeedRefusal::kHalfPass},
        {"departure only", FromSynthesiser(departureOnly), AutoSpeedRefusal::kHalfPass},
        {"octave drop", OctaveDrop(), AutoSpeedRefusal::kHarmonicChange},
        {"hovering", Hovering(), AutoSpeedRefusal::kNoPass},
    };
    for (const auto& c : cases) {
        const AutoSpeed r = EstimateSpeed(c.recording, 15.0);
        EXPECT_EQ(r.refusal, c.expected) << c.what << ": " << static_cast<int>(r.refusal) << ", "
                                         << r.speedKmh << " km/h +- " << r.sigmaKmh << " at " << r.closestDistanceM << " m, track "
                                         << (r.track.Size() ? r.track.times.front() : 0.0) << ".." << (r.track.Size() ? r.track.times.back() : 0.0);
        EXPECT_FALSE(r.Answered()) << c.what;
    }
}

// What recordings in the field do to a pass. The loud harmonic changes at the pass (the second
// before it, the fundamental after it, as a track that jumps between them would take for a pass
// at a third of the speed of sound); a close pass whose fall a broadband burst hides; a speed
// above the top speed. The fundamental and its second harmonic sound equally loud and their
// balance turns by up to 60 dB along the pass.
TEST(AutoSpeed, FieldRecordings) {
    flyby::Params base;
    base.seconds = 10.0;
    base.speedKmh = 75.0;
    base.closestDistance = 5.0;
    base.baseFrequency = 500.0;
    base.harmonics = {1.0, 1.0};
    base.burstDb = 30.0;
    base.peakLevel = 0.3;
    flyby::Params downward = base, upward = base, hiddenFall = base, fast = base;
    downward.tiltBeforeDb = 60.0;
    downward.tiltAfterDb = -60.0;
    upward.tiltBeforeDb = -60.0;
    upward.tiltAfterDb = 60.0;
    // The fall of a pass 3 m away takes a quarter of a second, under a burst 50 dB over the
    // background that the tone near the pass does not reach.
    hiddenFall.speedKmh = 80.0;
    hiddenFall.closestDistance = 3.0;
    hiddenFall.baseFrequency = 1000.0;
    hiddenFall.harmonics = {1.0};
    hiddenFall.burstDb = 50.0;
    hiddenFall.burstHz = 6000.0;
    hiddenFall.noiseLevel = 0.001;
    hiddenFall.peakLevel = 0.05;
    fast.speedKmh = 150.0;
    fast.harmonics = {1.0};

    const struct {
        const char* what;
        flyby::Params params;
        double topSpeedKmh;
        AutoSpeedRefusal expected;
    } cases[] = {
        {"second harmonic, then the fundamental", downward, kDefaultTopSpeedKmh, AutoSpeedRefusal::kNone},
        {"fundamental, then the second harmonic", upward, kDefaultTopSpeedKmh, AutoSpeedRefusal::kNone},
        {"the same below 200 km/h", upward, 200.0, AutoSpeedRefusal::kNone},
        {"close pass under a burst", hiddenFall, kDefaultTopSpeedKmh, AutoSpeedRefusal::kNone},
        {"above the top speed", fast, 140.0, AutoSpeedRefusal::kAboveTopSpeed},
        {"below the top speed", fast, 160.0, AutoSpeedRefusal::kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AutoSpeed r = EstimateSpeed(FromSynthesiser(c.params), c.params.temperature, c.topSpeedKmh);
        ASSERT_EQ(r.refusal, c.expected) << static_cast<int>(r.refusal) << ", " << r.speedKmh << " km/h +- "
                                         << r.sigmaKmh;
        EXPECT_EQ(r.topSpeedKmh, c.topSpeedKmh);
        if (!r.Answered()) continue;
        EXPECT_NEAR(r.speedKmh, c.params.speedKmh, 0.01 * c.params.speedKmh);
        EXPECT_NEAR(r.speedKmh, c.params.speedKmh, 2.0 * r.sigmaKmh);
        // The track follows the harmonic heard after the pass.
        const int after = c.params.tiltAfterDb > 0.0 ? 2 : 1;
        EXPECT_NEAR(r.restFrequencyHz, after * c.params.baseFrequency, 0.005 * c.params.baseFrequency);
    }
}

// Sounds of the field added to a recording's first channel. Low bursts: wind and handling
// below 300 Hz, loud and broad, a second long every other second.
void AddLowBursts(Recording& r, uint32_t seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 9000.0);
    double low = 0.0, lower = 0.0;
    const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * 150.0 / r.sampleRate);
    for (size_t i = 0; i < r.channels[0].size(); ++i) {
        const double t = static_cast<double>(i) / r.sampleRate;
        const double gate = std::max(0.0, std::sin(std::numbers::pi * t / 1.1));
        low += a * (noise(rng) - low);
        lower += a * (low - lower);
        const double x = r.channels[0][i] + gate * gate * lower;
        r.channels[0][i] = static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0));
    }
}

// A foreign line: another source's steady tone at hz from fromS on (until toS), as loud as
// `amplitude`.
void AddLine(Recording& r, double hz, double fromS, double amplitude, double toS = 1e9) {
    const size_t end = std::min(r.channels[0].size(), static_cast<size_t>(toS * r.sampleRate));
    for (size_t i = static_cast<size_t>(fromS * r.sampleRate); i < end; ++i) {
        const double x = r.channels[0][i] + amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / r.sampleRate);
        r.channels[0][i] = static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0));
    }
}

// A roadside pass whose tone drifts slowly (a twentieth of a swing per second, or a tenth of a
// smaller one) under noise that scatters every point: the residuals are alike only for a few
// frames, yet the far tones move along their plateaus, and the speed is off by more than the
// fit's own scatter shows. The "±" still holds the truth.
TEST(AutoSpeed, DriftingToneWidensTheUncertainty) {
    struct Drift {
        double noise, wobble, wobbleHz;
    };
    for (const Drift& d : {Drift{0.03, 0.002, 0.03}, Drift{0.1, 0.004, 0.03}, Drift{0.2, 0.004, 0.02},
                           Drift{0.1, 0.001, 0.05}}) {
        flyby::Params p;
        p.speedKmh = 60.0;
        p.closestDistance = 3.0;
        p.baseFrequency = 500.0;
        p.harmonics = {1.0};
        p.seconds = 15.0;
        p.peakLevel = 0.5;
        p.noiseLevel = d.noise;
        p.rpmWobble = d.wobble;
        p.wobbleHz = d.wobbleHz;
        const AutoSpeed r = EstimateSpeed(FromSynthesiser(p), p.temperature);
        SCOPED_TRACE(testing::Message() << "noise " << d.noise << ", drift " << d.wobble << " at " << d.wobbleHz << " Hz");
        ASSERT_TRUE(r.Answered()) << static_cast<int>(r.refusal);
        EXPECT_NEAR(r.speedKmh, p.speedKmh, 2.0 * r.sigmaKmh);
    }
}

// A roadside pass of a loudspeaker's steady tone, as the recordings of a car carrying one: the
// tone follows its own line through what else is heard, and the speed is that line's.
TEST(AutoSpeed, FollowsTheToneThroughOtherSounds) {
    flyby::Params pass;
    pass.seconds = 14.0;
    pass.speedKmh = 60.0;
    pass.closestDistance = 3.0;
    pass.baseFrequency = 500.0;
    pass.harmonics = {1.0};
    pass.peakLevel = 0.3;
    pass.sampleRate = 48000;
    const Recording clean = FromSynthesiser(pass);
    Recording bursts = clean, line = clean, both = clean, echo = clean;
    AddLowBursts(bursts, 3);
    AddLine(line, 868.0, 9.0, 300.0);
    AddLine(echo, flyby::RecedeFrequency(pass), 3.0, 1500.0, 3.4);
    AddLowBursts(both, 4);
    AddLine(both, 868.0, 9.0, 300.0);
    const struct {
        const char* what;
        const Recording& recording;
    } cases[] = {{"low bursts", bursts}, {"a foreign line after the pass", line}, {"both", both},
                 {"the recede tone for a moment long before the pass", echo}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const AutoSpeed r = EstimateSpeed(c.recording, pass.temperature);
        EXPECT_TRUE(r.Answered()) << static_cast<int>(r.refusal) << ", " << r.speedKmh << " km/h";
        if (!r.Answered()) continue;
        EXPECT_NEAR(r.speedKmh, pass.speedKmh, 0.01 * pass.speedKmh);
        EXPECT_NEAR(r.speedKmh, pass.speedKmh, 2.0 * r.sigmaKmh);
        EXPECT_NEAR(r.restFrequencyHz, pass.baseFrequency, 0.005 * pass.baseFrequency);
    }
}

// An ordinary car's clip joined from two: a line at 150 Hz before the pass, one at 107 Hz after
// it, where a loud roar below 110 Hz sets in that the part before lacks. Joined, the two lines
// look like a fall at less than a metre.
Recording BandMissingBefore() {
    constexpr int kRate = 48000;
    Recording r;
    r.sampleRate = kRate;
    r.channels.emplace_back();
    std::mt19937 rng(11);
    std::normal_distribution<double> white(0.0, 60.0), roar(0.0, 6000.0);
    const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * 80.0 / kRate);
    double low = 0.0, lower = 0.0, phase = 0.0;
    for (int i = 0; i < 10 * kRate; ++i) {
        const bool after = i >= 5 * kRate;
        phase += 2.0 * std::numbers::pi * (after ? 107.0 : 150.0) / kRate;
        low += a * (roar(rng) - low);
        lower += a * (low - lower);
        const double x = 2500.0 * std::sin(phase) + white(rng) + (after ? lower : 0.0);
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0)));
    }
    return r;
}

// Tyre noise of a car passing 5 m off at 82 km/h: a band at 4.7-7.5 kHz that swells towards the
// pass, with striations from the road's reflection whose spacing falls as the car comes near
// and rises as it goes.
Recording StriatedNoiseBand() {
    constexpr int kRate = 48000;
    constexpr double kV = 82.0 / 3.6, kD = 5.0, kTyre = 0.3, kMicrophone = 1.5;
    Recording r;
    r.sampleRate = kRate;
    r.channels.emplace_back();
    std::mt19937 rng(13);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<double> x(10 * kRate);
    for (double& v : x) v = white(rng);
    // A band-pass (two-pole resonator at 6 kHz, about 3 kHz wide) applied twice.
    const double w = 2.0 * std::numbers::pi * 6000.0 / kRate, q = 2.0;
    const double alpha = std::sin(w) / (2.0 * q), a0 = 1.0 + alpha;
    const double b0 = alpha / a0, a1 = -2.0 * std::cos(w) / a0, a2 = (1.0 - alpha) / a0;
    for (int pass = 0; pass < 2; ++pass) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = b0 * v - b0 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
        }
    }
    for (int i = 0; i < 10 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate, along = kV * (t - 5.0);
        const double reach = std::hypot(along, kD);
        const double extra = std::hypot(reach, kTyre + kMicrophone) - std::hypot(reach, kMicrophone - kTyre);
        const int delay = static_cast<int>(std::lround(extra / 340.0 * kRate));
        const double reflected = i >= delay ? x[static_cast<size_t>(i - delay)] : 0.0;
        const double swell = 20000.0 / (1.0 + std::pow(along / 15.0, 2));
        const double v = swell * (x[static_cast<size_t>(i)] + 0.9 * reflected) + 30.0 * white(rng);
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0)));
    }
    return r;
}

// A tone whose course is that of a pass 60 m off, but which soars by 40 dB within a second of
// the pass, as only a source a few metres off can: the course is another sound's than the level.
Recording FarPassSoaringClose() {
    flyby::Params p;
    p.seconds = 10.0;
    p.speedKmh = 150.0;
    p.closestDistance = 60.0;
    p.baseFrequency = 1000.0;
    p.harmonics = {1.0};
    p.peakLevel = 0.003;
    p.noiseLevel = 0.00003;
    std::vector<double> x = flyby::Samples(p);
    const double heard = flyby::HeardPassSeconds(p);
    Recording r;
    r.sampleRate = p.sampleRate;
    r.channels.emplace_back();
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / p.sampleRate;
        const double soar = 1.0 + 99.0 * std::exp(-std::pow((t - heard) / 0.6, 2));
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(32767.0 * soar * x[i], -32768.0, 32767.0)));
    }
    return r;
}

// Three sounds one after the other, as the hits of a drum kit: a steady line, a second one a few
// percent below it at once, then, after a loud burst, a third far lower. The first two on one
// side and the third on the other look like a fast pass whose fall the burst hid.
Recording SoundsInTurn() {
    constexpr int kRate = 16000;
    Recording r;
    r.sampleRate = kRate;
    r.channels.emplace_back();
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 30.0), burst(0.0, 8000.0);
    double phase = 0.0;
    for (int i = 0; i < 17 * kRate / 10; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = t < 0.3 ? 3400.0 : t < 0.6 ? 3290.0 : 1890.0;
        phase += 2.0 * std::numbers::pi * hz / kRate;
        const bool hit = t >= 0.6 && t < 1.0;
        const double x = (hit ? burst(rng) : 3000.0 * std::sin(phase)) + noise(rng);
        r.channels[0].push_back(static_cast<int16_t>(std::clamp(x, -32768.0, 32767.0)));
    }
    return r;
}

// Sounds that are no pass of one tone, and why.
TEST(AutoSpeed, RefusesCarSoundsThatAreNoPass) {
    const struct {
        const char* what;
        Recording recording;
        std::optional<AutoSpeedRefusal> expected;  // any refusal where unset
    } cases[] = {
        {"a band missing before the pass", BandMissingBefore(), AutoSpeedRefusal::kBandMissing},
        {"a striated noise band", StriatedNoiseBand(), std::nullopt},
        {"a far pass's course soaring as a close one", FarPassSoaringClose(), AutoSpeedRefusal::kUnphysical},
        {"sounds in turn, joined across a burst", SoundsInTurn(), AutoSpeedRefusal::kNoFit},
    };
    for (const auto& c : cases) {
        const AutoSpeed r = EstimateSpeed(c.recording, 15.0);
        EXPECT_FALSE(r.Answered()) << c.what << ": " << r.speedKmh << " km/h +- " << r.sigmaKmh << " at "
                                   << r.closestDistanceM << " m";
        if (c.expected) {
            EXPECT_EQ(r.refusal, *c.expected) << c.what << ": " << static_cast<int>(r.refusal);
        }
    }
}

}  // namespace
}  // namespace pirolex
