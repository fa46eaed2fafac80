// Reads that fail: the code and its numbers, and nothing else handed out.

#include "reader_fixture.h"
#include "wav_writer.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <sys/stat.h>

namespace pirolex {
namespace {

using testing::CodeOf;
using testing::LoadBytes;
using testing::ReadBytes;
using testwav::Bytes;
using testwav::Format;

std::vector<uint8_t> Header() {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    return b.data;
}

// A file built from a RIFF header, a format body and data bytes, each replaceable.
std::vector<uint8_t> WithFmtBody(const std::vector<uint8_t>& fmtBody, size_t dataBytes = 8) {
    Bytes b;
    b.Raw(Header()).Chunk("fmt ", fmtBody).Chunk("data", std::vector<uint8_t>(dataBytes, 0x40));
    return b.FixRiffSize().data;
}

std::vector<uint8_t> PatchedFmt(const Format& f, size_t offset, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> body = testwav::FmtBody(f);
    std::copy(bytes.begin(), bytes.end(), body.begin() + static_cast<std::ptrdiff_t>(offset));
    return WithFmtBody(body);
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

struct FailureCase {
    const char* name;
    std::vector<uint8_t> bytes;
    ErrorCode code;
    int32_t formatTag = 0;  // kUnsupportedFormat: the tag and the bits it names
    int32_t bits = 0;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

const Format kStereo16{.bits = 16, .channels = 2, .rate = 44100};

std::vector<FailureCase> FailureCases() {
    const auto good = testwav::MakeWav(kStereo16, {{1, 2}, {3, 4}});
    Bytes dataFirst;
    dataFirst.Raw(Header()).Chunk("data", {1, 2, 3, 4}).Chunk("fmt ", testwav::FmtBody(kStereo16));
    Bytes fmtOnly;
    fmtOnly.Raw(Header()).Chunk("fmt ", testwav::FmtBody(kStereo16)).Chunk("LIST", {1});
    Bytes lowerData;
    lowerData.Raw(Header()).Chunk("fmt ", testwav::FmtBody(kStereo16)).Chunk("DATA", {1, 2, 3, 4});
    Bytes longJunk;
    longJunk.Raw(Header()).Chunk("fmt ", testwav::FmtBody(kStereo16)).Tag("JUNK").U32(100).Zeros(50);
    Bytes halfHeader;
    halfHeader.Raw(Header()).Chunk("fmt ", testwav::FmtBody(kStereo16)).Raw({'d', 'a', 't'});
    Bytes extensibleShort;  // extensible tag in a plain 18-byte block
    extensibleShort.Raw(Header())
        .Chunk("fmt ", [] {
            std::vector<uint8_t> body = testwav::FmtBody({.bits = 16, .channels = 2, .extraFmtBytes = 0});
            body[0] = 0xFE;
            body[1] = 0xFF;
            return body;
        }())
        .Chunk("data", {0, 0, 0, 0});
    Bytes adpcm;
    adpcm.Raw(Header()).Chunk("fmt ", testwav::FmtBody({.bits = 4, .channels = 1, .formatTagOverride = 2}));
    adpcm.Chunk("data", {0, 0});

    constexpr ErrorCode kUnsupported = ErrorCode::kUnsupportedFormat;
    return {
        {"empty_file", {}, ErrorCode::kNotWav},
        {"eleven_bytes", Cut(good, 11), ErrorCode::kNotWav},
        {"rifx_big_endian", [&] { auto b = good; b[3] = 'X'; return b; }(), ErrorCode::kNotWav},
        {"rf64", [&] { auto b = good; b[0] = 'R'; b[1] = 'F'; b[2] = '6'; b[3] = '4'; return b; }(), ErrorCode::kNotWav},
        {"form_type_not_wave", [&] { auto b = good; b[11] = 'X'; return b; }(), ErrorCode::kNotWav},
        {"riff_lower_case", [&] { auto b = good; b[0] = 'r'; return b; }(), ErrorCode::kNotWav},
        {"no_chunks", Header(), ErrorCode::kNoFormatChunk},
        {"data_before_fmt", dataFirst.data, ErrorCode::kNoFormatChunk},
        {"no_data_chunk", fmtOnly.data, ErrorCode::kNoDataChunk},
        {"upper_case_data_only", lowerData.data, ErrorCode::kNoDataChunk},
        {"skipped_chunk_runs_past_end", longJunk.data, ErrorCode::kReadPastEnd},
        {"chunk_header_cut_short", halfHeader.data, ErrorCode::kReadPastEnd},
        {"fmt_body_cut_short", Cut(good, 12 + 8 + 10), ErrorCode::kReadPastEnd},
        {"fmt_size_14", WithFmtBody(Cut(testwav::FmtBody(kStereo16), 14)), ErrorCode::kBadFormatChunk},
        {"extensible_block_of_18_bytes", extensibleShort.data, ErrorCode::kBadFormatChunk},
        {"zero_channels", PatchedFmt(kStereo16, 2, {0, 0}), ErrorCode::kBadFormatChunk},
        {"zero_block_align", PatchedFmt(kStereo16, 12, {0, 0}), ErrorCode::kBadFormatChunk},
        {"block_align_below_frame", PatchedFmt(kStereo16, 12, {3, 0}), ErrorCode::kBadFormatChunk},
        {"zero_sample_rate", PatchedFmt(kStereo16, 4, {0, 0, 0, 0}), ErrorCode::kBadFormatChunk},
        {"sample_rate_over_int32", PatchedFmt(kStereo16, 4, {0, 0, 0, 0x80}), ErrorCode::kBadFormatChunk},
        {"adpcm", adpcm.data, kUnsupported, 2, 4},
        {"pcm_12_bit_in_one_byte", WithFmtBody(testwav::FmtBody({.bits = 12, .channels = 2, .blockAlign = 2})),
         kUnsupported, 1, 12},
        {"pcm_48_bit", WithFmtBody(testwav::FmtBody({.bits = 48, .channels = 1})), kUnsupported, 1, 48},
        {"float_16_bit", WithFmtBody(testwav::FmtBody({.bits = 16, .isFloat = true})), kUnsupported, 3, 16},
        {"alaw", WithFmtBody(testwav::FmtBody({.bits = 8, .formatTagOverride = 6})), kUnsupported, 6, 8},
        {"format_tag_high_byte", PatchedFmt(kStereo16, 1, {0x01}), kUnsupported, 257, 16},
        {"extensible_alaw", PatchedFmt({.bits = 8, .extensible = true}, 24, {6, 0}), kUnsupported, 6, 8},
        {"extensible_float_24", WithFmtBody(testwav::FmtBody({.bits = 24, .isFloat = true, .extensible = true})),
         kUnsupported, 3, 24},
    };
}

class WavReaderFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WavReaderFailure, GivesItsCodeAndNoRecording) {
    const FailureCase& c = GetParam();
    const WavResult result = ReadBytes(c.bytes);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(result.error->Code(), c.code) << result.error->what();
    EXPECT_EQ(result.error->Detail(), c.formatTag);
    EXPECT_EQ(result.error->Detail2(), c.bits);
    EXPECT_EQ(result.recording.ChannelCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, WavReaderFailure, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Files on disk: open errors, read-only opening, and no file handle left behind.
class WavFileTest : public ::testing::Test {
protected:
    static int OpenDescriptors() {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
        return n;
    }
};

TEST_F(WavFileTest, MissingFileAndFolderFailWithTheirCodes) {
    EXPECT_EQ(CodeOf(ReadWavFile("/nonexistent/pirolex/none.wav")), "FileNotFound");
    const std::string folder = std::filesystem::temp_directory_path().string();
    EXPECT_FALSE(CanOpenForReading(folder));
    const WavResult result = ReadWavFile(folder);
    ASSERT_EQ(CodeOf(result), "NotRegularFile");
    EXPECT_EQ(result.error->Detail(), 1);
}

TEST_F(WavFileTest, WriteProtectedFileReadsAsFromMemory) {
    const auto bytes = testwav::MakeWav({.bits = 24, .channels = 2, .rate = 96000}, {{1 << 20, -(1 << 20)}, {5, -5}});
    const std::string path = testwav::WriteTempFile(bytes, "readonly.wav");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(CanOpenForReading(path));
    const WavResult fromFile = ReadWavFile(path);
    const WavResult fromMemory = LoadBytes(bytes);
    ASSERT_TRUE(fromFile.Ok());
    EXPECT_EQ(fromFile.recording.channels, fromMemory.recording.channels);
    EXPECT_EQ(fromFile.recording.sampleRate, 96000);
}

TEST_F(WavFileTest, FailedReadsCloseTheFile) {
    const std::string bad = testwav::WriteTempFile(Cut(testwav::MakeWav(kStereo16, {}), 30), "cut.wav");
    const std::string good = testwav::WriteTempFile(testwav::MakeWav(kStereo16, {{1, 1}}), "good.wav");
    const int before = OpenDescriptors();
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(ReadWavFile(bad).Ok());
        EXPECT_TRUE(ReadWavFile(good).Ok());
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// A length the file states beyond what a recording may hold is refused before the samples are
// taken, however the length is stated: the data size, or an empty data chunk and the file's size.
// The files are sparse, so they cost no disk.
TEST(WavReadFailure, TooLongForMemoryBeforeReading) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    const struct {
        const char* name;
        uint32_t dataSize;
    } cases[] = {{"empty data chunk", 0}, {"stated size", 0xFFFFFFF0u}};
    for (const auto& c : cases) {
        const auto path = folder / ("pirolex_sparse_" + std::to_string(::getpid()) + ".wav");
        Bytes b;
        b.Raw(Header()).Chunk("fmt ", testwav::FmtBody({.bits = 8})).Tag("data").U32(c.dataSize);
        b.FixRiffSize();
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(b.data.data()), static_cast<std::streamsize>(b.data.size()));
        }
        std::filesystem::resize_file(path, (uint64_t{3} << 30) + 44);
        const WavResult result = ReadWavFile(path.string());
        std::filesystem::remove(path);
        ASSERT_FALSE(result.Ok()) << c.name;
        EXPECT_EQ(result.error->Code(), ErrorCode::kTooLong) << c.name;
    }
}

}  // namespace
}  // namespace pirolex
