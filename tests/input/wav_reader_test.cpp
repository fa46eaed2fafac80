// Reads that succeed: the 16-bit samples of every channel, the 8-bit levels the pictures draw
// from them, and the format values.

#include "reader_fixture.h"
#include "wav_writer.h"

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <string_view>

namespace pirolex {
namespace {

using testing::LoadBytes;
using testing::StoredByte;
using testwav::Bytes;
using testwav::Format;
using testwav::Frame;

// 1000000 stereo frames are too many for a Frame-per-vector build, so the bytes go in directly.
// Left runs through every 16-bit value; right is its mirror.
std::vector<uint8_t> LongStereo16(uint32_t frames) {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    b.Chunk("fmt ", testwav::FmtBody({.bits = 16, .channels = 2, .rate = 44100}));
    b.Tag("data").U32(frames * 4);
    b.data.reserve(b.data.size() + frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const auto left = static_cast<uint16_t>(i * 7);
        b.U16(left).U16(static_cast<uint16_t>(~left));
    }
    return b.FixRiffSize().data;
}

uint8_t ExpectedLeft(uint32_t i) { return static_cast<uint8_t>((static_cast<uint16_t>(i * 7) >> 8) ^ 0x80); }

TEST(WavReaderLoad, CanonicalStereo16KeepsAMillionFramesAndThePictureTheFirst700000) {
    const auto bytes = LongStereo16(1000000);
    const WavResult wav = LoadBytes(bytes);
    const Recording& r = wav.recording;
    EXPECT_EQ(r.FrameCount(), 1000000);
    EXPECT_EQ(r.ChannelCount(), 2);
    EXPECT_EQ(r.sampleRate, 44100);
    EXPECT_EQ(wav.info.dataSizeField, 4000000u);
    EXPECT_EQ(wav.info.blockAlign, 4u);
    EXPECT_EQ(wav.info.bitsPerSample, 16u);
    EXPECT_EQ(wav.info.framesPresent, 1000000u);
    EXPECT_FALSE(wav.info.truncated);
    for (uint32_t i : {1u, 2u, 255u, 4681u, 123457u, 699999u, 700000u, 1000000u}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.channels[0][i - 1], static_cast<int16_t>(static_cast<uint16_t>((i - 1) * 7)));
        EXPECT_EQ(r.channels[1][i - 1], static_cast<int16_t>(~static_cast<uint16_t>((i - 1) * 7)));
        if (i > 700000) continue;
        EXPECT_EQ(StoredByte(wav, 0, i), ExpectedLeft(i - 1));
        EXPECT_EQ(StoredByte(wav, 1, i), 255 - ExpectedLeft(i - 1));
    }
    EXPECT_EQ(PictureSamples(r, 0).Count(), 700000);
}

TEST(WavReaderLoad, EightBitMonoKeepsBytesAndThePictureReads127OnTheRight) {
    const WavResult wav =
        LoadBytes(testwav::MakeWav({.bits = 8, .channels = 1, .rate = 8000}, {{0}, {1}, {128}, {200}, {255}}));
    EXPECT_EQ(wav.recording.channels[0], (std::vector<int16_t>{-32768, -32512, 0, 18432, 32512}));
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(StoredByte(wav, 0, i), (std::vector<int>{0, 1, 128, 200, 255})[i - 1]) << i;
        EXPECT_EQ(StoredByte(wav, 1, i), 127) << i;
    }
    EXPECT_EQ(wav.recording.ChannelCount(), 1);
    EXPECT_EQ(wav.info.bitsPerSample, 8u);
}

// One sample value in, one 16-bit sample and one picture byte out, for every supported encoding.
// Each case is loaded as a stereo file with the value on both channels, so the channel offset is
// exercised too.
struct SampleCase {
    const char* name;
    Format format;
    double value;
    uint8_t stored;
    int16_t sample;
};
void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.name; }

class SampleConversion : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleConversion, StoresTheExpectedByte) {
    const SampleCase& c = GetParam();
    Format f = c.format;
    f.channels = 2;
    const WavResult wav = LoadBytes(testwav::MakeWav(f, {{0, 0}, {c.value, c.value}}));
    EXPECT_EQ(wav.recording.channels[0][1], c.sample);
    EXPECT_EQ(wav.recording.channels[1][1], c.sample);
    EXPECT_EQ(StoredByte(wav, 0, 2), c.stored);
    EXPECT_EQ(StoredByte(wav, 1, 2), c.stored);
}

constexpr Format kPcm8{.bits = 8};
constexpr Format kPcm16{.bits = 16};
constexpr Format kPcm24{.bits = 24};
constexpr Format kPcm32{.bits = 32};
constexpr Format kFloat32{.bits = 32, .isFloat = true};
constexpr Format kFloat64{.bits = 64, .isFloat = true};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    AllEncodings, SampleConversion,
    ::testing::Values(
        SampleCase{"u8_min", kPcm8, 0, 0, -32768}, SampleCase{"u8_mid", kPcm8, 128, 128, 0},
        SampleCase{"u8_max", kPcm8, 255, 255, 32512},
        SampleCase{"s16_0x8000", kPcm16, -32768, 0, -32768}, SampleCase{"s16_0xFFFF", kPcm16, -1, 127, -1},
        SampleCase{"s16_0x0000", kPcm16, 0, 128, 0}, SampleCase{"s16_0x7FFF", kPcm16, 32767, 255, 32767},
        SampleCase{"s16_0x1234", kPcm16, 0x1234, 0x92, 0x1234}, SampleCase{"s16_0x12FF", kPcm16, 0x12FF, 0x92, 0x12FF},
        SampleCase{"s24_min", kPcm24, -8388608, 0, -32768}, SampleCase{"s24_minus1", kPcm24, -1, 127, -1},
        SampleCase{"s24_zero", kPcm24, 0, 128, 0}, SampleCase{"s24_max", kPcm24, 8388607, 255, 32767},
        SampleCase{"s24_0x123456", kPcm24, 0x123456, 0x92, 0x1234},
        SampleCase{"s24_minus0x10000", kPcm24, -0x10000, 127, -0x100},
        SampleCase{"s32_min", kPcm32, -2147483648.0, 0, -32768}, SampleCase{"s32_minus1", kPcm32, -1, 127, -1},
        SampleCase{"s32_max", kPcm32, 2147483647.0, 255, 32767},
        SampleCase{"s32_0x12345678", kPcm32, 0x12345678, 0x92, 0x1234},
        SampleCase{"f32_zero", kFloat32, 0.0, 128, 0}, SampleCase{"f32_half", kFloat32, 0.5, 192, 16384},
        SampleCase{"f32_minus_half", kFloat32, -0.5, 64, -16384},
        SampleCase{"f32_tiny_negative", kFloat32, -0.001, 127, -33},
        SampleCase{"f32_just_below_one", kFloat32, 0.999, 255, 32735},
        SampleCase{"f32_one_clamps", kFloat32, 1.0, 255, 32767}, SampleCase{"f32_minus_one", kFloat32, -1.0, 0, -32768},
        SampleCase{"f32_over_range", kFloat32, 3.0, 255, 32767}, SampleCase{"f32_under_range", kFloat32, -7.5, 0, -32768},
        SampleCase{"f32_nan", kFloat32, kNaN, 128, 0}, SampleCase{"f32_inf", kFloat32, kInf, 255, 32767},
        SampleCase{"f32_minus_inf", kFloat32, -kInf, 0, -32768},
        SampleCase{"f64_quarter", kFloat64, 0.25, 160, 8192}, SampleCase{"f64_minus_quarter", kFloat64, -0.25, 96, -8192},
        SampleCase{"f64_tiny_negative", kFloat64, -1e-12, 127, -1},
        SampleCase{"f64_over_range", kFloat64, 1e300, 255, 32767}, SampleCase{"f64_nan", kFloat64, kNaN, 128, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WavReaderLoad, TwentyFourBitInFourByteContainersReadsEachChannelAtItsSlot) {
    // Plain PCM header with block align 8: 3 value bytes and one pad byte per channel.
    const WavResult wav = LoadBytes(testwav::MakeWav(
        {.bits = 24, .channels = 2, .rate = 48000, .containerBytes = 4}, {{0x123456, -0x400000}, {-1, 0x7FFFFF}}));
    EXPECT_EQ(wav.info.blockAlign, 8u);
    EXPECT_EQ(StoredByte(wav, 0, 1), 0x92);
    EXPECT_EQ(StoredByte(wav, 1, 1), 0x40);
    EXPECT_EQ(StoredByte(wav, 0, 2), 127);
    EXPECT_EQ(StoredByte(wav, 1, 2), 255);
    EXPECT_EQ(wav.recording.FrameCount(), 2);
}

TEST(WavReaderLoad, ThreeChannelsStoreTheFirstTwoAndSkipTheRest) {
    const WavResult wav = LoadBytes(testwav::MakeWav({.bits = 16, .channels = 3, .rate = 8000},
                               {{0x1000, 0x2000, 0x3000}, {-0x1000, -0x2000, -0x3000}}));
    EXPECT_EQ(StoredByte(wav, 0, 1), 0x90);
    EXPECT_EQ(StoredByte(wav, 1, 1), 0xA0);
    EXPECT_EQ(StoredByte(wav, 0, 2), 0x70);
    EXPECT_EQ(StoredByte(wav, 1, 2), 0x60);
    EXPECT_EQ(wav.recording.ChannelCount(), 3);
}

// Extensible files: the sub-format decides the encoding, the container size the reading.
struct ExtensibleCase {
    const char* name;
    Format format;
    Frame frame;
    uint8_t left;
    uint8_t right;
};
void PrintTo(const ExtensibleCase& c, std::ostream* os) { *os << c.name; }

class ExtensibleLoad : public ::testing::TestWithParam<ExtensibleCase> {};

TEST_P(ExtensibleLoad, ReadsLikeThePlainFormat) {
    const ExtensibleCase& c = GetParam();
    const WavResult wav = LoadBytes(testwav::MakeWav(c.format, {c.frame}));
    const WavInfo& info = wav.info;
    EXPECT_EQ(info.formatTag, 0xFFFE);
    EXPECT_EQ(StoredByte(wav, 0, 1), c.left);
    EXPECT_EQ(StoredByte(wav, 1, 1), c.right);
    EXPECT_EQ(wav.recording.FrameCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    SubFormats, ExtensibleLoad,
    ::testing::Values(
        ExtensibleCase{"pcm16_stereo", {.bits = 16, .channels = 2, .extensible = true}, {-32768, 0x7FFF}, 0, 255},
        ExtensibleCase{"pcm8_mono", {.bits = 8, .channels = 1, .extensible = true}, {77}, 77, 127},
        ExtensibleCase{"pcm24_stereo", {.bits = 24, .channels = 2, .extensible = true}, {0x123456, -1}, 0x92, 127},
        // Valid bits 24, left-justified in a 32-bit container: read as 32-bit.
        ExtensibleCase{"pcm24_in_32", {.bits = 32, .channels = 2, .extensible = true, .validBits = 24},
                       {0x12345600, -256}, 0x92, 127},
        ExtensibleCase{"float32_mono", {.bits = 32, .channels = 1, .isFloat = true, .extensible = true}, {-0.5}, 64, 127},
        ExtensibleCase{"float64_stereo", {.bits = 64, .channels = 2, .isFloat = true, .extensible = true},
                       {0.5, kNaN}, 192, 128}),
    [](const auto& info) { return std::string(info.param.name); });

// fmt chunks of 16, 18, 19 (odd, with pad byte) and 40 bytes all lead to the same recording.
TEST(WavReaderLoad, FormatChunkSizesAllFindTheData) {
    const std::vector<Frame> frames{{-32768, 100}, {0x1234, -1}};
    for (int extra : {-1, 0, 1, 22}) {
        SCOPED_TRACE(extra);
        const auto bytes = testwav::MakeWav({.bits = 16, .channels = 2, .extraFmtBytes = extra}, frames);
        const WavResult wav = LoadBytes(bytes);
        EXPECT_EQ(wav.recording.FrameCount(), 2);
        EXPECT_EQ(StoredByte(wav, 0, 1), 0);
        EXPECT_EQ(StoredByte(wav, 1, 1), 128);
        EXPECT_EQ(StoredByte(wav, 0, 2), 0x92);
        EXPECT_EQ(StoredByte(wav, 1, 2), 127);
    }
}

// Chunks other than fmt and data stand anywhere and are skipped by size plus pad byte.
TEST(WavReaderLoad, SkipsForeignChunksWithPadBytes) {
    const Format f{.bits = 8, .channels = 1, .rate = 11025};
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    b.Chunk("JUNK", {9, 9, 9});                      // odd, before fmt
    b.Chunk("fmt ", testwav::FmtBody(f));
    b.Chunk("fact", {3, 0, 0, 0});
    b.Chunk("LIST", {'I', 'N', 'F', 'O', 'x'});      // odd
    b.Chunk("DATA", {1, 2, 3, 4, 5, 6, 7});          // the tag is case-sensitive
    b.Chunk("data", {10, 20, 30});                   // odd data with pad byte
    b.Chunk("LIST", {0xFF});
    b.Raw({'s', 'm', 'p'});                          // a cut-off chunk after the data is never read
    b.FixRiffSize();
    const WavResult wav = LoadBytes(b.data);
    const WavInfo& info = wav.info;
    EXPECT_EQ(wav.recording.FrameCount(), 3);
    EXPECT_EQ(wav.info.dataSizeField, 3u);
    EXPECT_EQ(StoredByte(wav, 0, 1), 10);
    EXPECT_EQ(StoredByte(wav, 0, 3), 30);
    EXPECT_EQ(wav.recording.sampleRate, 11025);
    EXPECT_FALSE(info.truncated);
}

TEST(WavReaderLoad, ZeroSizeDataChunkLoadsTheChannelsWithoutFrames) {
    const WavResult wav = LoadBytes(testwav::MakeWav({.bits = 16, .channels = 2, .rate = 22050}, {}));
    EXPECT_EQ(wav.recording.sampleRate, 22050);
    EXPECT_EQ(wav.recording.ChannelCount(), 2);
    EXPECT_EQ(wav.recording.FrameCount(), 0);
    EXPECT_EQ(PictureSamples(wav.recording, 1).Count(), 0);
}

// A recorder that stops before it writes its sizes leaves data size 0 with the audio after it:
// the rest of the file is read as the data when it is not a list of chunks. Truly empty data
// stays empty, at the end of the file or before chunks that end with it.
TEST(WavReaderLoad, DataSizeZeroReadsTheAudioThatFollowsToTheEnd) {
    const auto fileWith = [](const Format& f, const std::vector<uint8_t>& afterData) {
        Bytes b;
        b.Tag("RIFF").U32(0).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f)).Tag("data").U32(0);
        return b.Raw(afterData).data;
    };
    const Format stereo16{.bits = 16, .channels = 2, .rate = 8000};
    const Format mono8{.bits = 8, .channels = 1, .rate = 8000};
    Bytes chunks;
    chunks.Chunk("LIST", {'I', 'N', 'F', 'O', 'x'}).Chunk("id3 ", {1, 2, 3, 4});
    std::vector<uint8_t> tagLike(300, 0x7E);  // 8-bit audio whose first bytes read "~~~~"
    tagLike[299] = 0x10;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t frames;
        uint8_t first, last;
    } cases[] = {
        {"stereo16", fileWith(stereo16, testwav::DataBody(stereo16, {{0x1234, -1}, {0, 0}, {-32768, 5}})),
         3, 0x92, 0},
        {"tag_like_audio", fileWith(mono8, tagLike), 300, 0x7E, 0x10},
        {"cut_frame_only", fileWith(stereo16, {1, 2, 3}), 0, 0, 0},
        {"nothing_after", fileWith(stereo16, {}), 0, 0, 0},
        {"chunks_after", fileWith(stereo16, chunks.data), 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WavResult wav = LoadBytes(c.bytes);
    const WavInfo& info = wav.info;
        EXPECT_EQ(wav.recording.FrameCount(), c.frames);
        EXPECT_FALSE(info.truncated);
        if (c.frames > 0) {
            EXPECT_EQ(StoredByte(wav, 0, 1), c.first);
            EXPECT_EQ(StoredByte(wav, 0, c.frames), c.last);
        }
    }
}

// Plain PCM between the byte sizes is read by its container (block align / channels), in which
// the samples stand left-justified, as extensible files are read.
TEST(WavReaderLoad, OddSampleSizesAreReadByTheirContainer) {
    const struct {
        Format format;
        Frame frame;
        uint8_t left, right;
        uint32_t container;
    } cases[] = {
        {{.bits = 20, .channels = 2}, {0x12345 << 4, -16}, 0x92, 127, 24},
        {{.bits = 12, .channels = 1}, {0x123 << 4}, 0x92, 127, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.bits);
        const WavResult wav = LoadBytes(testwav::MakeWav(c.format, {c.frame, c.frame}));
    const WavInfo& info = wav.info;
        EXPECT_EQ(info.formatTag, 1);
        EXPECT_EQ(info.bitsPerSample, c.container);
        EXPECT_EQ(info.validBits, static_cast<uint32_t>(c.format.bits));
        EXPECT_EQ(wav.recording.FrameCount(), 2);
        EXPECT_EQ(StoredByte(wav, 0, 2), c.left);
        EXPECT_EQ(StoredByte(wav, 1, 2), c.right);
    }
}

// A data chunk that claims more than the file holds loads the whole frames present.
TEST(WavReaderLoad, TruncatedDataChunkCountsWholeFramesPresent) {
    for (uint32_t sizeField : {4000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(sizeField);
        Bytes b;
        b.Tag("RIFF").U32(0xFFFFFFFF).Tag("WAVE");
        b.Chunk("fmt ", testwav::FmtBody({.bits = 16, .channels = 2, .rate = 10}));
        b.Tag("data").U32(sizeField);
        for (int i = 0; i < 25; ++i) b.I16(static_cast<int16_t>(i << 8)).I16(-1);
        b.Raw({0xAA, 0xBB, 0xCC});  // a frame cut short
        const WavResult wav = LoadBytes(b.data);
        EXPECT_TRUE(wav.info.truncated);
        EXPECT_EQ(wav.info.dataSizeField, sizeField);
        EXPECT_EQ(wav.recording.FrameCount(), 25) << "the partial frame is not kept";
        EXPECT_EQ(StoredByte(wav, 0, 25), 128 + 24);
    }
}

// Every channel is kept, however many there are; the pictures read the first two.
TEST(WavReaderLoad, ManyChannelsAreAllKept) {
    // 130 channels of 16 bit: block align 260.
    testwav::Frame frame(130, 0.0);
    frame[0] = 0x4000;
    frame[1] = -0x4000;
    const WavResult wav = LoadBytes(testwav::MakeWav({.bits = 16, .channels = 130}, {frame}));
    const WavInfo& info = wav.info;
    EXPECT_EQ(info.blockAlign, 260u);
    EXPECT_EQ(info.channels, 130u);
    EXPECT_EQ(wav.recording.ChannelCount(), 130);
    EXPECT_EQ(wav.recording.channels[129][0], 0);
    EXPECT_EQ(wav.recording.FrameCount(), 1);
    EXPECT_EQ(StoredByte(wav, 0, 1), 0xC0);
    EXPECT_EQ(StoredByte(wav, 1, 1), 0x40);
}

// Reads as small as one byte and skipping by reading must give exactly what the buffered
// reader gives, for success and for failure alike.
class OneByteSource : public ByteSource {
public:
    explicit OneByteSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    size_t Read(uint8_t* dst, size_t n) override {
        if (n == 0 || pos_ == bytes_.size()) return 0;
        *dst = bytes_[pos_++];
        return 1;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t pos_ = 0;
};

// What a read gave: the failure's code, or the format and every sample.
std::string Outcome(ByteSource& source) {
    const WavResult r = ReadWav(source);
    if (!r.Ok()) return std::string(ErrorCodeName(r.error->Code()));
    std::ostringstream text;
    text << "frames " << r.info.framesPresent << " rate " << r.recording.sampleRate << " truncated "
         << r.info.truncated;
    for (const auto& channel : r.recording.channels)
        text << ' ' << std::hash<std::string_view>{}(std::string_view(
                           reinterpret_cast<const char*>(channel.data()), channel.size() * 2));
    return text.str();
}

TEST(WavReaderLoad, ByteAtATimeReadingGivesTheSameResult) {
    Bytes chunky;
    chunky.Tag("RIFF").U32(0).Tag("WAVE").Chunk("JUNK", std::vector<uint8_t>(70001, 7));
    chunky.Chunk("fmt ", testwav::FmtBody({.bits = 32, .channels = 3, .isFloat = true}));
    chunky.Chunk("data", testwav::DataBody({.bits = 32, .channels = 3, .isFloat = true},
                                           std::vector<Frame>(30000, Frame{0.25, -0.75, 1.0})));
    Bytes truncated;
    truncated.Raw(testwav::MakeWav({.bits = 16, .channels = 2}, std::vector<Frame>(20000, Frame{300, -300})));
    truncated.PatchU32(40, 0xFFFFFFFF).data.resize(truncated.data.size() - 5);
    Bytes pastEnd;
    pastEnd.Tag("RIFF").U32(0).Tag("WAVE").Tag("LIST").U32(1000).Zeros(999);
    Bytes sizeless;  // data size 0, the audio after it
    sizeless.Raw(testwav::MakeWav({.bits = 16, .channels = 2}, std::vector<Frame>(20000, Frame{300, -300})));
    sizeless.PatchU32(40, 0);

    for (const auto& bytes : {chunky.data, truncated.data, pastEnd.data, sizeless.data, LongStereo16(750000)}) {
        MemorySource memory(bytes.data(), bytes.size());
        OneByteSource oneByte(bytes);
        EXPECT_EQ(Outcome(memory), Outcome(oneByte));
    }
}

}  // namespace
}  // namespace pirolex
