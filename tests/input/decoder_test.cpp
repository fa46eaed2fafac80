// Decoding compressed recordings. The files are made here with the ffmpeg command from a
// synthetic fly-by; the tone the decoder hands back is compared with the tone in the fly-by's own
// samples, so a wrong rate, a lost channel or a shifted start shows as a wrong frequency.

#include "audio_decoder.h"
#include "flyby.h"
#include "wav_writer.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <numbers>
#include <random>
#include <utility>

#include <malloc.h>
#include <unistd.h>

// What this process holds through operator new, and the most it held since last reset: the
// samples a decode keeps (FFmpeg's own buffers come from malloc and are not counted).
namespace {
std::atomic<int64_t> heldBytes{0};
std::atomic<int64_t> peakHeldBytes{0};
}  // namespace

// The replacements pair with each other; GCC cannot see that free() gets what malloc() gave.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    const int64_t held = heldBytes += static_cast<int64_t>(malloc_usable_size(p));
    for (int64_t peak = peakHeldBytes; held > peak && !peakHeldBytes.compare_exchange_weak(peak, held);) {
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    heldBytes -= static_cast<int64_t>(malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
#pragma GCC diagnostic pop

namespace pirolex {

void PrintTo(DecodeError e, std::ostream* os) {
    *os << DecodeErrorName(e);
}

namespace {

namespace fs = std::filesystem;

constexpr double kSeconds = 4.0;
constexpr size_t kWindow = 8192;

bool HaveFfmpeg() {
    static const bool have = std::system("ffmpeg -version >/dev/null 2>&1") == 0;
    return have;
}
#define SKIP_WITHOUT_FFMPEG() \
    if (!HaveFfmpeg())        \
    GTEST_SKIP() << "the ffmpeg command is missing (scripts/setup.sh installs it)"

// This process's folder of made files, removed when it ends.
const fs::path& Work() {
    static const testsupport::WorkFolder folder("pirolex_decoder_");
    return folder.Path();
}

flyby::Params Flyby(int rate, int channels) {
    flyby::Params p;
    p.sampleRate = rate;
    p.channels = channels;
    p.seconds = kSeconds;
    return p;
}

fs::path WriteBytes(const std::vector<uint8_t>& bytes, const std::string& name) {
    const fs::path path = Work() / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs ffmpeg with inputs and output options into Work()/name; an empty path when it fails.
fs::path Ffmpeg(const std::string& inputs, const std::string& options, const std::string& name) {
    const fs::path out = Work() / name;
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + inputs + " " +
                                options + " '" + out.string() + "'";
    return std::system(command.c_str()) == 0 ? out : fs::path();
}

std::string FlybyInput(const flyby::Params& p) {
    return "-i '" + WriteBytes(flyby::MakeWav(p), "flyby.wav").string() + "'";
}
// A black picture, for a video track beside (or instead of) the sound.
std::string BlackVideo() {
    return "-f lavfi -i color=c=black:s=64x64:r=10:d=" + std::to_string(kSeconds);
}
std::string VideoCodec() {
    static const bool x264 =
        std::system("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264") == 0;
    return x264 ? "-c:v libx264 -pix_fmt yuv420p" : "-c:v mpeg4";
}

// The strongest frequency in [lo, hi] of a Hann-windowed stretch of kWindow samples from
// sample(i), by Goertzel's recurrence on a coarse grid and then a fine one around its peak.
template <class Sample>
double DominantFrequency(Sample sample, double rate, double lo, double hi) {
    std::vector<double> x(kWindow);
    for (size_t i = 0; i < kWindow; ++i)
        x[i] = sample(i) * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / kWindow));
    auto power = [&](double f) {
        const double k = 2.0 * std::cos(2.0 * std::numbers::pi * f / rate);
        double s1 = 0.0, s2 = 0.0;
        for (double v : x) s2 = std::exchange(s1, v + k * s1 - s2);
        return s1 * s1 + s2 * s2 - k * s1 * s2;
    };
    auto scan = [&](double from, double to, double step) {
        double best = from;
        for (double f = from; f <= to; f += step)
            if (power(f) > power(best)) best = f;
        return best;
    };
    const double coarse = scan(lo, hi, 4.0);
    return scan(coarse - 4.0, coarse + 4.0, 0.25);
}

// ---------------------------------------------------------------------------------------------

struct FormatCase {
    const char* name;
    const char* file;     // the extension picks the container
    const char* options;  // ffmpeg's output options
    int rate;
    int channels;
    bool video;
    const char* codecName;
    int64_t padding;  // frames the length may differ by: the codec's block at most
};

class DecodeFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DecodeFormat, KeepsRateLengthAndTone) {
    SKIP_WITHOUT_FFMPEG();
    const FormatCase& c = GetParam();
    const flyby::Params p = Flyby(c.rate, c.channels);
    const fs::path file =
        c.video ? Ffmpeg(BlackVideo() + " " + FlybyInput(p),
                         "-map 0:v -map 1:a " + VideoCodec() + " " + c.options, c.file)
                : Ffmpeg(FlybyInput(p), c.options, c.file);
    ASSERT_FALSE(file.empty()) << "ffmpeg could not make " << c.file;

    const DecodeResult result = DecodeFile(file.string());
    ASSERT_TRUE(result.Ok()) << DecodeErrorName(*result.error);
    const Recording& r = result.recording;
    EXPECT_EQ(result.info.codecName, c.codecName);
    EXPECT_FALSE(result.info.damaged);
    ASSERT_EQ(r.sampleRate, c.rate);
    ASSERT_EQ(r.ChannelCount(), c.channels);
    const int64_t frames = std::llround(kSeconds * c.rate);
    EXPECT_NEAR(double(r.FrameCount()), double(frames), double(c.padding));
    for (const auto& samples : r.channels) ASSERT_EQ(int64_t(samples.size()), r.FrameCount());

    // Approaching at a quarter, receding at three quarters: each channel's tone where the
    // fly-by's is.
    const std::vector<double> truth = flyby::Samples(p);
    const double lo = flyby::RecedeFrequency(p) - 100.0, hi = flyby::ApproachFrequency(p) + 100.0;
    for (const size_t start : {size_t(frames / 4), size_t(frames * 3 / 4)}) {
        for (int ch = 0; ch < c.channels; ++ch) {
            const double expected = DominantFrequency(
                [&](size_t i) { return truth[(start + i) * size_t(c.channels) + size_t(ch)]; },
                c.rate, lo, hi);
            const double decoded = DominantFrequency(
                [&](size_t i) { return double(r.At(ch, int64_t(start + i))); }, c.rate, lo, hi);
            EXPECT_NEAR(decoded, expected, 2.0) << "channel " << ch << " at frame " << start;
        }
    }

    // The same bytes from memory, where every seek goes through the memory source.
    const std::vector<uint8_t> bytes = ReadAll(file);
    const DecodeResult fromMemory = DecodeMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(fromMemory.Ok());
    EXPECT_TRUE(fromMemory.recording.channels == r.channels);
}

INSTANTIATE_TEST_SUITE_P(
    Families, DecodeFormat,
    ::testing::Values(
        FormatCase{"AacInM4a", "flyby.m4a", "-c:a aac -b:a 128k", 44100, 1, false, "aac", 2048},
        FormatCase{"Mp3", "flyby.mp3", "-c:a libmp3lame -b:a 160k", 44100, 2, false, "mp3", 1152},
        FormatCase{"OpusInOgg", "flyby.opus", "-c:a libopus -b:a 96k", 48000, 2, false, "opus",
                   960},
        FormatCase{"Flac", "flyby.flac", "-c:a flac", 32000, 1, false, "flac", 0},
        FormatCase{"Mp4Video", "flyby.mp4", "-c:a aac -b:a 128k", 48000, 2, true, "aac", 2048}),
    [](const auto& info) { return std::string(info.param.name); });

// A file cut off keeps the sound before the cut, unless the cut took the index the sound needs.
struct CutCase {
    const char* name;
    const char* file;
    const char* options;
    std::optional<DecodeError> error;
};

class DecodeCut : public ::testing::TestWithParam<CutCase> {};

TEST_P(DecodeCut, KeepsWhatCameBeforeTheCut) {
    SKIP_WITHOUT_FFMPEG();
    const CutCase& c = GetParam();
    const fs::path file = Ffmpeg(FlybyInput(Flyby(44100, 1)), c.options, c.file);
    ASSERT_FALSE(file.empty());
    std::vector<uint8_t> bytes = ReadAll(file);
    bytes.resize(bytes.size() * 6 / 10);
    const DecodeResult result =
        DecodeFile(WriteBytes(bytes, std::string("cut_") + c.file).string());
    ASSERT_EQ(result.error, c.error);
    if (c.error) return;
    EXPECT_TRUE(result.info.damaged);
    EXPECT_GT(result.recording.Seconds(), 0.5 * kSeconds);
    EXPECT_LT(result.recording.Seconds(), 0.7 * kSeconds);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecodeCut,
    ::testing::Values(CutCase{"Mp3", "cut.mp3", "-c:a libmp3lame", std::nullopt},
                      CutCase{"M4aIndexFirst", "first.m4a", "-c:a aac -movflags +faststart",
                              std::nullopt},
                      CutCase{"M4aIndexLast", "last.m4a", "-c:a aac", DecodeError::kCorrupt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeFailure, VideoWithoutSound) {
    SKIP_WITHOUT_FFMPEG();
    const fs::path file = Ffmpeg(BlackVideo(), VideoCodec(), "silent.mp4");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(DecodeFile(file.string()).error, DecodeError::kNoAudioStream);
}

TEST(DecodeFailure, NamesTheReason) {
    std::mt19937 rng(7);
    std::vector<uint8_t> garbage(20000);
    for (auto& b : garbage) b = uint8_t(rng());
    const auto unknownCodec = testwav::MakeWav({.bits = 16, .formatTagOverride = 0x7A7A},
                                               std::vector<testwav::Frame>(1000, {0.0}));
    const auto twoChannels = flyby::MakeWav(Flyby(8000, 2));
    DecodeOptions oneSecond;
    oneSecond.maxSamples = 2 * 8000;
    const struct {
        const char* name;
        DecodeResult result;
        DecodeError error;
    } cases[] = {
        {"empty", DecodeMemory(nullptr, 0), DecodeError::kUnknownFormat},
        {"garbage", DecodeMemory(garbage.data(), garbage.size()), DecodeError::kUnknownFormat},
        {"unknown codec", DecodeMemory(unknownCodec.data(), unknownCodec.size()),
         DecodeError::kCodecMissing},
        {"over the limit", DecodeMemory(twoChannels.data(), twoChannels.size(), oneSecond),
         DecodeError::kTooLarge},
        {"missing", DecodeFile((Work() / "missing.m4a").string()), DecodeError::kFileNotFound},
        {"folder", DecodeFile(Work().string()), DecodeError::kNotRegularFile},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.error, c.error) << c.name;
        EXPECT_EQ(c.result.recording.ChannelCount(), 0) << c.name;
    }
    EXPECT_TRUE(cases[5].result.info.folder);
}

// A length over the limit that the header states is refused before a single sample is decoded:
// no memory filled first, no progress shown.
TEST(DecodeFailure, DeclaredLengthOverTheLimitBeforeDecoding) {
    SKIP_WITHOUT_FFMPEG();
    const fs::path file = Ffmpeg(FlybyInput(Flyby(8000, 1)), "-c:a flac", "hours.flac");
    ASSERT_FALSE(file.empty());
    std::fstream flac(file, std::ios::in | std::ios::out | std::ios::binary);
    // STREAMINFO's 36-bit count of samples takes the low half of byte 21 and bytes 22 to 25:
    // set it to its largest, some 24 days at 8000 Hz.
    char top = 0;
    flac.seekg(21);
    flac.get(top);
    flac.seekp(21);
    flac.put(static_cast<char>(top | 0x0F));
    flac.write("\xFF\xFF\xFF\xFF", 4);
    flac.close();
    int reports = 0;
    DecodeOptions options;
    options.progress = [&](double) { return ++reports > 0; };
    const DecodeResult result = DecodeFile(file.string(), options);
    EXPECT_EQ(result.error, DecodeError::kTooLarge);
    EXPECT_EQ(reports, 0);
}

// Without a length in its header, a FLAC longer than the limit is refused without ever holding
// more than the limit: no second copy while the samples grow towards it.
TEST(DecodeFailure, UndeclaredLengthOverTheLimitNeverHoldsMore) {
    SKIP_WITHOUT_FFMPEG();
    flyby::Params p = Flyby(8000, 1);
    p.seconds = 30.0;
    const fs::path file = Ffmpeg(FlybyInput(p), "-c:a flac", "unknown_length.flac");
    ASSERT_FALSE(file.empty());
    std::fstream flac(file, std::ios::in | std::ios::out | std::ios::binary);
    // STREAMINFO's count of samples (see above) at 0: "not known".
    char top = 0;
    flac.seekg(21);
    flac.get(top);
    flac.seekp(21);
    flac.put(static_cast<char>(top & 0xF0));
    flac.write("\0\0\0\0", 4);
    flac.close();
    DecodeOptions options;
    options.maxSamples = 200000;
    const int64_t before = heldBytes;
    peakHeldBytes = before;
    const DecodeResult result = DecodeFile(file.string(), options);
    const int64_t peak = peakHeldBytes - before;
    EXPECT_EQ(result.error, DecodeError::kTooLarge);
    EXPECT_LE(peak, options.maxSamples * int64_t{sizeof(int16_t)} + (int64_t{1} << 16));
}

TEST(DecodeProgress, RisesToOneAndCancels) {
    SKIP_WITHOUT_FFMPEG();
    const fs::path file = Ffmpeg(FlybyInput(Flyby(48000, 2)), "-c:a aac", "progress.m4a");
    ASSERT_FALSE(file.empty());
    std::vector<double> seen;
    DecodeOptions options;
    options.progress = [&](double f) {
        seen.push_back(f);
        return true;
    };
    ASSERT_TRUE(DecodeFile(file.string(), options).Ok());
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), 0.0);
    EXPECT_EQ(seen.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

    options.progress = [](double f) { return f < 0.5; };
    const DecodeResult cancelled = DecodeFile(file.string(), options);
    EXPECT_EQ(cancelled.error, DecodeError::kCancelled);
    EXPECT_EQ(cancelled.recording.ChannelCount(), 0);
}

}  // namespace
}  // namespace pirolex
