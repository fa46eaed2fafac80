// The growing recording: what a ring keeps of a long take, and the take saved as WAV.
#include "growing_recording.h"
#include "wav_reader.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

namespace pirolex {
namespace {

// Frame i of channel c holds a value that names both, so any frame out of place shows.
int16_t Marked(int64_t frame, int c) { return static_cast<int16_t>((frame * 7 + c * 1000) % 30000); }

void AppendFrames(GrowingRecording& take, int64_t first, int64_t count, int channels) {
    std::vector<std::vector<int16_t>> block(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c)
        for (int64_t f = first; f < first + count; ++f) block[static_cast<size_t>(c)].push_back(Marked(f, c));
    take.Append(block);
}

TEST(GrowingRecording, KeepsTheNewestFramesInOrder) {
    const struct {
        int64_t limit;
        std::vector<int64_t> blocks;
    } cases[] = {
        {0, {5, 100, 1}},                  // no limit: all of it
        {50, {20, 20, 5}},                 // not yet full
        {50, {30, 30}},                    // the block that fills it also wraps
        {50, {120}},                       // one block longer than the ring
        {50, {49, 1, 1, 77, 3, 50, 50}},   // wrapping again and again, at and off the edge
    };
    for (const auto& c : cases) {
        GrowingRecording take(8000, 2, c.limit);
        const int64_t total = std::accumulate(c.blocks.begin(), c.blocks.end(), int64_t{0});
        int64_t at = 0;
        for (int64_t count : c.blocks) {
            AppendFrames(take, at, count, 2);
            at += count;
        }
        const int64_t kept = c.limit > 0 ? std::min(total, c.limit) : total;
        EXPECT_EQ(take.EndFrame(), total);
        EXPECT_EQ(take.FirstKeptFrame(), total - kept);
        const Recording snapshot = take.Snapshot();
        ASSERT_EQ(snapshot.FrameCount(), kept) << c.limit;
        for (int ch = 0; ch < 2; ++ch)
            for (int64_t i = 0; i < kept; ++i)
                ASSERT_EQ(snapshot.channels[ch][i], Marked(total - kept + i, ch)) << "limit " << c.limit << " frame " << i;
        EXPECT_EQ(take.Take().channels, snapshot.channels);
    }
}

TEST(GrowingRecording, SavesWhatItKeptAsWav) {
    static const testsupport::WorkFolder folder("pirolex_growing_");
    GrowingRecording take(22050, 2, 1000);
    AppendFrames(take, 0, 700, 2);
    AppendFrames(take, 700, 700, 2);
    const std::string path = (folder.Path() / "take.wav").string();
    ASSERT_FALSE(take.SaveWav(path).has_value());
    const WavResult read = ReadWavFile(path);
    ASSERT_TRUE(read.Ok());
    EXPECT_EQ(read.info.bitsPerSample, 16u);
    EXPECT_EQ(read.recording.sampleRate, 22050);
    EXPECT_EQ(read.recording.channels, take.Snapshot().channels);
}

TEST(GrowingRecording, AFailedSaveLeavesNothingBehind) {
    static const testsupport::WorkFolder folder("pirolex_growing_failed_");
    GrowingRecording take(8000, 1);
    AppendFrames(take, 0, 100, 1);
    // A folder stands where the file should go: nothing can replace it.
    const std::filesystem::path occupied = folder.Path() / "occupied.wav";
    std::filesystem::create_directory(occupied);
    EXPECT_TRUE(take.SaveWav(occupied.string()).has_value());
    EXPECT_TRUE(std::filesystem::is_directory(occupied));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "a half-written file stayed";
    EXPECT_TRUE(take.SaveWav((folder.Path() / "missing" / "take.wav").string()).has_value());
}

}  // namespace
}  // namespace pirolex
