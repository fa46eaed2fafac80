// The passes of a take: several found and measured, none in takes with other sounds only, and
// the same passes whatever the stream's chunks.

#include "flyby.h"
#include "pass_finder.h"
#include "take.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace pirolex {
namespace {

namespace fb = flyby;

Recording RecordingOf(const fb::Take& take) {
    Recording recording;
    recording.sampleRate = take.sampleRate;
    recording.channels = fb::TakeChannels(take);
    return recording;
}

const fb::Take& Circuits() {
    static const fb::Take take = fb::RandomTake({.seed = 4, .seconds = 110.0, .field = true});
    return take;
}

const Recording& CircuitsRecording() {
    static const Recording recording = RecordingOf(Circuits());
    return recording;
}

TEST(PassFinder, FindsAndMeasuresEveryPassOfATake) {
    const fb::Take& take = Circuits();
    ASSERT_GE(take.passes.size(), 3u);
    const PassSearch search = FindPasses(CircuitsRecording(), take.temperature);
    ASSERT_EQ(search.passes.size(), take.passes.size());
    for (size_t i = 0; i < take.passes.size(); ++i) {
        const fb::Params& truth = take.passes[i];
        const FlybyPass& found = search.passes[i];
        const double heard = truth.passSeconds.value_or(0.0) + truth.closestDistance / fb::SoundSpeed(take.temperature);
        EXPECT_EQ(found.number, static_cast<int>(i + 1));
        EXPECT_NEAR(found.heardS, heard, 0.3) << "pass " << i + 1;
        ASSERT_TRUE(found.speed.Answered()) << "pass " << i + 1;
        EXPECT_NEAR(found.speed.speedKmh, truth.speedKmh, 0.03 * truth.speedKmh) << "pass " << i + 1;
        // The pass's times are the take's, not its stretch's.
        EXPECT_NEAR(found.speed.closestTimeS, truth.passSeconds.value_or(0.0), 0.3) << "pass " << i + 1;
    }
}

TEST(PassFinder, TakesWithoutAPassGiveNone) {
    for (const fb::TakeSound sound : {fb::TakeSound::kIdle, fb::TakeSound::kHum, fb::TakeSound::kWind,
                                      fb::TakeSound::kVoices}) {
        for (const bool field : {false, true}) {
            const Recording recording =
                RecordingOf(fb::PasslessTake(sound, {.seed = 2, .seconds = 45.0, .field = field}));
            const PassSearch search = FindPasses(recording, 15.0);
            EXPECT_TRUE(search.passes.empty()) << "sound " << static_cast<int>(sound) << " field " << field
                                               << ": a pass at " << search.passes.front().heardS << " s";
            EXPECT_NE(search.noPassReason, AutoSpeedRefusal::kNone);
        }
    }
}

// A microphone's chunks are as long as the sound system likes: the passes must not depend on
// them, and each is reported less than 3 s after it is heard.
TEST(PassFinder, ChunksOfAnySizeGiveTheSamePassesInTime) {
    const Recording& recording = CircuitsRecording();
    const auto run = [&](size_t chunk) {
        PassFinder finder(recording.sampleRate, 15.0);
        std::vector<FlybyPass> passes;
        const std::vector<int16_t>& samples = recording.channels.front();
        for (size_t at = 0; at < samples.size(); at += chunk) {
            const std::span<const int16_t> part(samples.data() + at, std::min(chunk, samples.size() - at));
            for (FlybyPass& pass : finder.Append(part)) passes.push_back(std::move(pass));
        }
        for (FlybyPass& pass : finder.Finish()) passes.push_back(std::move(pass));
        return passes;
    };
    const std::vector<FlybyPass> whole = run(recording.channels.front().size());
    ASSERT_EQ(whole.size(), Circuits().passes.size());
    for (const size_t chunk : {441u, 4096u, 65537u}) {
        const std::vector<FlybyPass> chunked = run(chunk);
        ASSERT_EQ(chunked.size(), whole.size()) << chunk;
        for (size_t i = 0; i < whole.size(); ++i) {
            EXPECT_EQ(chunked[i].heardS, whole[i].heardS) << chunk;
            EXPECT_EQ(chunked[i].speed.speedKmh, whole[i].speed.speedKmh) << chunk;
            EXPECT_EQ(chunked[i].speed.refusal, whole[i].speed.refusal) << chunk;
            if (chunk == 441u) {
                EXPECT_LT(chunked[i].reportedS - chunked[i].heardS, 3.0) << "pass " << i + 1;
            }
        }
    }
}

// The far straight of a circuit, heard across the field at 150 m between two passes by the
// microphone: measurable, but not a pass anyone counts.
TEST(PassFinder, TheFarSideOfTheCircuitIsNoPass) {
    fb::Take take;
    take.seconds = 75.0;
    for (const auto& [at, distance, level] : {std::tuple{15.0, 20.0, 0.6}, {40.0, 150.0, 0.15}, {65.0, 20.0, 0.6}}) {
        fb::Params pass;
        pass.speedKmh = 150.0;
        pass.closestDistance = distance;
        pass.peakLevel = level;
        pass.baseFrequency = 2000.0;
        pass.passSeconds = at;
        take.passes.push_back(pass);
    }
    const PassSearch search = FindPasses(RecordingOf(take), take.temperature);
    ASSERT_EQ(search.passes.size(), 2u);
    for (const FlybyPass& pass : search.passes) EXPECT_LT(pass.speed.closestDistanceM, 50.0);
}

}  // namespace
}  // namespace pirolex
