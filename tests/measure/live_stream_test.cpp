// The live stream: a take fed in chunks, as a microphone delivers it, gives the passes the
// whole file gives; a device that vanishes ends the stream and leaves what was heard.
#include "flyby.h"
#include "live_stream.h"
#include "take_in_chunks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pirolex {
namespace {

// Passes one after the other, each in a stretch of its own.
Recording TakeOf(const std::vector<flyby::Params>& passes) {
    Recording take;
    take.sampleRate = passes.front().sampleRate;
    take.channels.resize(static_cast<size_t>(passes.front().channels));
    for (flyby::Params p : passes) {
        p.limitToProgramFrames = false;
        const auto channels = flyby::PcmChannels(p);
        for (size_t c = 0; c < channels.size(); ++c)
            take.channels[c].insert(take.channels[c].end(), channels[c].begin(), channels[c].end());
    }
    return take;
}

flyby::Params Pass(double kmh, double hz, double seconds, uint32_t seed) {
    flyby::Params p;
    p.speedKmh = kmh;
    p.baseFrequency = hz;
    p.seconds = seconds;
    p.sampleRate = 48000;
    p.channels = 2;
    p.closestDistance = 12.0;
    p.noiseLevel = 0.01;
    p.seed = seed;
    return p;
}

struct Heard {
    std::vector<FlybyPass> passes;
    SourceState end = SourceState::kEnded;
    int64_t lines = 0;
};

Heard Listen(LiveStream& stream, SampleSource& source) {
    Heard heard;
    for (;;) {
        StreamStep step = stream.Pull(source, [&](const SpectrumLine&) { ++heard.lines; });
        heard.passes.insert(heard.passes.end(), step.passes.begin(), step.passes.end());
        if (step.state != SourceState::kFrames) {
            heard.end = step.state;
            break;
        }
    }
    for (FlybyPass& pass : stream.Finish()) heard.passes.push_back(pass);
    return heard;
}

TEST(LiveStream, ATakeInChunksGivesThePassesOfTheWholeFile) {
    const struct {
        std::vector<flyby::Params> passes;
        testsupport::ChunkPlan plan;
    } cases[] = {
        {{Pass(120, 2500, 12, 1)}, {.chunks = {4800}, .vanishAtFrame = std::nullopt}},
        {{Pass(70, 900, 22, 2), Pass(180, 1600, 22, 4), Pass(110, 3000, 22, 5)},
         {.chunks = {1, 333, 16384, 4799}, .vanishAtFrame = std::nullopt}},
    };
    for (const auto& c : cases) {
        const Recording take = TakeOf(c.passes);
        const PassSearch whole = FindPasses(take, 15.0);
        ASSERT_FALSE(whole.passes.empty());
        testsupport::TakeInChunks source(take, c.plan);
        LiveStream stream(take.sampleRate, take.ChannelCount(), {.temperatureC = 15.0});
        const Heard heard = Listen(stream, source);
        EXPECT_EQ(heard.end, SourceState::kEnded);
        ASSERT_EQ(heard.passes.size(), whole.passes.size());
        for (size_t i = 0; i < heard.passes.size(); ++i) {
            const AutoSpeed& live = heard.passes[i].speed;
            const AutoSpeed& file = whole.passes[i].speed;
            ASSERT_EQ(live.Answered(), file.Answered());
            EXPECT_NEAR(live.speedKmh, file.speedKmh, std::max(live.sigmaKmh, file.sigmaKmh));
            EXPECT_NEAR(heard.passes[i].heardS, whole.passes[i].heardS, 0.1);
            EXPECT_LE(heard.passes[i].reportedS, take.Seconds());
        }
        EXPECT_EQ(stream.Take().Snapshot().channels, take.channels);
        // Every block of the rolling picture that fits into the take was drawn.
        EXPECT_EQ(heard.lines, (take.FrameCount() - 4096) / 1024 + 1);
    }
}

TEST(LiveStream, EachPassIsReportedWithinThreeSecondsOfBeingHeard) {
    const std::vector<flyby::Params> passes = {Pass(60, 700, 25, 6), Pass(240, 2000, 25, 7), Pass(130, 1200, 25, 8)};
    const Recording take = TakeOf(passes);
    RecordingSource source(take);
    LiveStream stream(take.sampleRate, take.ChannelCount(), {.temperatureC = 15.0});
    std::vector<FlybyPass> reported;
    while (true) {
        StreamStep step = stream.Pull(source);
        reported.insert(reported.end(), step.passes.begin(), step.passes.end());
        if (step.state != SourceState::kFrames) break;
    }
    // All while the take went on, none left for its end.
    EXPECT_TRUE(stream.Finish().empty());
    ASSERT_EQ(reported.size(), passes.size());
    for (size_t i = 0; i < passes.size(); ++i) {
        const double heard = 25.0 * static_cast<double>(i) + flyby::HeardPassSeconds(passes[i]);
        EXPECT_NEAR(reported[i].heardS, heard, 0.5) << i;
        EXPECT_NEAR(reported[i].speed.speedKmh, passes[i].speedKmh, 0.03 * passes[i].speedKmh) << i;
        EXPECT_GT(reported[i].reportedS, heard) << i;
        EXPECT_LE(reported[i].reportedS - heard, 3.0) << i;
    }
}

TEST(LiveStream, AVanishingDeviceEndsTheTakeAndKeepsWhatWasHeard) {
    const Recording take = TakeOf({Pass(120, 2500, 12, 3)});
    const int64_t vanish = 7 * take.sampleRate + 123;
    testsupport::TakeInChunks source(take, {.chunks = {4800, 1000}, .vanishAtFrame = vanish});
    LiveStream stream(take.sampleRate, take.ChannelCount(), {.keptFrames = 5 * take.sampleRate});
    const Heard heard = Listen(stream, source);
    EXPECT_EQ(heard.end, SourceState::kLost);
    EXPECT_EQ(stream.Take().EndFrame(), vanish);
    // The ring kept the last five seconds before the device went.
    const Recording kept = stream.Take().Snapshot();
    ASSERT_EQ(kept.FrameCount(), 5 * take.sampleRate);
    for (int c = 0; c < 2; ++c)
        EXPECT_TRUE(std::equal(kept.channels[c].begin(), kept.channels[c].end(),
                               take.channels[c].begin() + (vanish - kept.FrameCount())));
    for (const FlybyPass& pass : heard.passes) EXPECT_LE(pass.reportedS * take.sampleRate, vanish + 1.0);
}

}  // namespace
}  // namespace pirolex
