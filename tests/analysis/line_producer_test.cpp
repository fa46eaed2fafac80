// The rolling picture's lines: each made as soon as its block has arrived, the same whatever
// the chunks the stream came in, and a tone where its bin is.
#include "line_producer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pirolex {
namespace {

constexpr int32_t kRate = 48000;
constexpr int32_t kN = 1024;
constexpr int32_t kHop = 256;

// A stereo take: a tone on bin 100 on the left, silence on the right.
std::vector<std::vector<int16_t>> ToneTake(int64_t frames) {
    std::vector<std::vector<int16_t>> take(2, std::vector<int16_t>(static_cast<size_t>(frames), 0));
    const double hz = 100.0 * kRate / kN;
    for (int64_t i = 0; i < frames; ++i)
        take[0][static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(16000.0 * std::sin(2 * std::numbers::pi * hz * i / kRate)));
    return take;
}

struct Made {
    int32_t number;
    int64_t firstFrame;
    int64_t framesArrived;  // how much of the stream had come when the line was handed on
    std::vector<double> levels;
};

std::vector<Made> Feed(const std::vector<std::vector<int16_t>>& take, const std::vector<int64_t>& chunks) {
    LineProducer producer(2, kN, kHop);
    std::vector<Made> made;
    int64_t arrived = 0;
    for (size_t turn = 0; arrived < static_cast<int64_t>(take[0].size()); ++turn) {
        const int64_t count = std::min<int64_t>(chunks[turn % chunks.size()], take[0].size() - arrived);
        std::vector<std::vector<int16_t>> block;
        for (const auto& channel : take) block.emplace_back(channel.begin() + arrived, channel.begin() + arrived + count);
        arrived += count;
        producer.Append(block, [&](const SpectrumLine& line) {
            made.push_back({line.number, line.firstFrame, arrived, {line.amplitudes.begin(), line.amplitudes.end()}});
        });
    }
    return made;
}

TEST(LineProducer, MakesEachLineAsSoonAsItsBlockIsComplete) {
    const int64_t frames = 10000;
    const auto take = ToneTake(frames);
    const std::vector<Made> whole = Feed(take, {frames});
    ASSERT_EQ(whole.size(), static_cast<size_t>((frames - kN) / kHop + 1));
    for (const std::vector<int64_t>& chunks : {std::vector<int64_t>{1}, {7, 1500, 256}, {kN - 1, kN + 1}}) {
        const std::vector<Made> chunked = Feed(take, chunks);
        ASSERT_EQ(chunked.size(), whole.size());
        for (size_t i = 0; i < chunked.size(); ++i) {
            EXPECT_EQ(chunked[i].number, static_cast<int32_t>(i + 1));
            EXPECT_EQ(chunked[i].firstFrame, static_cast<int64_t>(i) * kHop);
            // Handed on within the chunk that completed the block, not later.
            const int64_t blockEnd = chunked[i].firstFrame + kN;
            EXPECT_GE(chunked[i].framesArrived, blockEnd);
            EXPECT_LT(chunked[i].framesArrived - blockEnd, 1500);
            ASSERT_EQ(chunked[i].levels, whole[i].levels) << "line " << i + 1 << " chunks " << chunks[0];
        }
        if (chunks == std::vector<int64_t>{1}) {
            for (const Made& m : chunked) EXPECT_EQ(m.framesArrived, m.firstFrame + kN);
        }
    }
}

TEST(LineProducer, ATonePeaksOnItsBinAtItsLevel) {
    const std::vector<Made> lines = Feed(ToneTake(4 * kN), {333});
    ASSERT_FALSE(lines.empty());
    for (const Made& line : lines) {
        const auto peak = std::max_element(line.levels.begin(), line.levels.end());
        EXPECT_EQ(peak - line.levels.begin(), 100);
        // Amplitude 16000 of 32768 on one of two channels, the power averaged over both:
        // 20 log10(0.488) - 3 dB.
        EXPECT_NEAR(*peak, 20 * std::log10(16000.0 / 32768.0) - 10 * std::log10(2.0), 0.1);
    }
}

}  // namespace
}  // namespace pirolex
