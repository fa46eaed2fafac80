// The fly-by synthesiser: the file it writes, the Doppler shift and delay it models, the level.
#include "flyby.h"
#include "wav_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace pirolex::flyby {
namespace {

Params PureTone(double speedKmh) {
    Params p;
    p.speedKmh = speedKmh;
    p.harmonics = {1.0};
    p.noiseLevel = 0.0;
    return p;
}

// Mean frequency over [from, to) seconds of one channel, from the first to the last upward zero
// crossing, each placed between its two samples by linear interpolation.
double MeasuredFrequency(const std::vector<double>& s, const Params& p, int channel, double from,
                         double to) {
    const auto at = [&](long i) { return s[static_cast<size_t>(i * p.channels + channel)]; };
    const long begin = std::lround(from * p.sampleRate), end = std::lround(to * p.sampleRate);
    double first = -1, last = -1;
    int crossings = 0;
    for (long i = begin; i + 1 < end; ++i) {
        if (!(at(i) < 0 && at(i + 1) >= 0)) continue;
        const double t = (i + at(i) / (at(i) - at(i + 1))) / p.sampleRate;
        if (first < 0) first = t;
        last = t;
        ++crossings;
    }
    return (crossings - 1) / (last - first);
}

double Rms(const std::vector<double>& s, const Params& p, double from, double to) {
    double sum = 0;
    const long begin = std::lround(from * p.sampleRate), end = std::lround(to * p.sampleRate);
    for (long i = begin; i < end; ++i) sum += s[static_cast<size_t>(i * p.channels)] * s[static_cast<size_t>(i * p.channels)];
    return std::sqrt(sum / double(end - begin));
}

TEST(Flyby, SpeedOfSoundIsTheProgramsFormula) {
    EXPECT_NEAR(SoundSpeed(15) * 3.6, 1224.03, 0.005);
    EXPECT_NEAR(SoundSpeed(-20) * 3.6, 1147.29, 0.005);
    EXPECT_NEAR(SoundSpeed(40) * 3.6, 1276.03, 0.005);
}

TEST(Flyby, WritesACanonical16BitFileThatTheReaderTakes) {
    Params p;
    p.channels = 2;
    p.sampleRate = 48000;
    p.seconds = 1.0;
    const std::vector<uint8_t> wav = MakeWav(p);
    ASSERT_EQ(wav.size(), 44u + 48000u * 4u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
    MemorySource source(wav.data(), wav.size());
    const WavResult read = ReadWav(source);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.recording.sampleRate, 48000);
    EXPECT_EQ(read.recording.ChannelCount(), 2);
    EXPECT_EQ(read.info.bitsPerSample, 16u);
    EXPECT_EQ(read.recording.FrameCount(), 48000);
}

TEST(Flyby, ApproachAndRecedeCarryTheDopplerShiftedTone) {
    for (double speed : {60.0, 200.0}) {
        const Params p = PureTone(speed);
        const std::vector<double> s = Samples(p);
        // Far from the pass the line of sight is almost the flight line.
        EXPECT_NEAR(MeasuredFrequency(s, p, 0, 0.2, 0.7), ApproachFrequency(p), 0.002 * p.baseFrequency)
            << speed;
        EXPECT_NEAR(MeasuredFrequency(s, p, 0, 11.3, 11.8), RecedeFrequency(p), 0.002 * p.baseFrequency)
            << speed;
    }
}

TEST(Flyby, TheEmittedToneArrivesOneSoundRunAfterThePass) {
    const Params p = PureTone(120);
    const std::vector<double> s = Samples(p);
    // The source passes at 6 s; its tone from there needs d / c = 29 ms to the microphone.
    const double heard = 6.0 + p.closestDistance / SoundSpeed(p.temperature);
    EXPECT_NEAR(MeasuredFrequency(s, p, 0, heard - 0.004, heard + 0.004), p.baseFrequency, 8.0);
    EXPECT_GT(MeasuredFrequency(s, p, 0, 6.0 - 0.004, 6.0 + 0.004), p.baseFrequency + 20.0);
}

TEST(Flyby, LevelFallsWithDistance) {
    const Params p = PureTone(120);
    const std::vector<double> s = Samples(p);
    const double near = Rms(s, p, 5.95, 6.1), far = Rms(s, p, 0.0, 0.2);
    EXPECT_NEAR(near, p.peakLevel / std::sqrt(2.0), 0.05);
    EXPECT_GT(near / far, 15.0);  // about 200 m against 10 m
}

TEST(Flyby, StereoHasTwoMicrophonesWithTheirOwnNoise) {
    Params p;
    p.channels = 2;
    p.seconds = 2.0;
    const std::vector<double> s = Samples(p);
    int differ = 0;
    for (size_t i = 0; i + 1 < s.size(); i += 2) differ += s[i] != s[i + 1];
    EXPECT_GT(differ, int(s.size() / 4));
    p.noiseLevel = 0;
    p.harmonics = {1.0};
    p.seconds = 12.0;
    const std::vector<double> clean = Samples(p);
    EXPECT_NEAR(MeasuredFrequency(clean, p, 1, 0.2, 0.7), ApproachFrequency(p), 0.004 * p.baseFrequency);
}

TEST(Flyby, SameSeedSameFileOtherSeedOtherNoise) {
    Params p;
    p.seconds = 0.5;
    const auto a = MakeWav(p);
    EXPECT_EQ(a, MakeWav(p));
    p.seed = 2;
    EXPECT_NE(a, MakeWav(p));
}

TEST(Flyby, RefusesWhatCannotBeARecordingForTheProgram) {
    const auto bad = [](auto change) {
        Params p;
        change(p);
        return !Validate(p).empty();
    };
    EXPECT_TRUE(bad([](Params& p) { p.seconds = 16; }));  // 705600 frames at 44100 Hz
    EXPECT_FALSE(bad([](Params& p) { p.seconds = 15; }));
    EXPECT_TRUE(bad([](Params& p) { p.channels = 3; }));
    EXPECT_TRUE(bad([](Params& p) { p.speedKmh = 1200; }));
    EXPECT_TRUE(bad([](Params& p) { p.closestDistance = 0; }));
    EXPECT_TRUE(bad([](Params& p) { p.seconds = 0; }));
    Params p;
    p.channels = 0;
    EXPECT_THROW(MakeWav(p), std::invalid_argument);
}

}  // namespace
}  // namespace pirolex::flyby
