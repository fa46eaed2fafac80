// Loads that fail: the exact German message, and the earlier recording left as it was.

#include "reader_fixture.h"
#include "runtime_error.h"
#include "wav_writer.h"

#include <filesystem>
#include <sys/stat.h>

namespace pirolex {
namespace {

using testing::ExpectSameRecording;
using testing::LoadBytes;
using testing::NewState;
using testing::RecordingEffects;
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
    std::string message;
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

    const std::string unsupportedPrefix = "Nicht unterstütztes WAV-Format (Formatkennung ";
    return {
        {"empty_file", {}, msg::kNotWav},
        {"eleven_bytes", Cut(good, 11), msg::kNotWav},
        {"rifx_big_endian", [&] { auto b = good; b[3] = 'X'; return b; }(), msg::kNotWav},
        {"rf64", [&] { auto b = good; b[0] = 'R'; b[1] = 'F'; b[2] = '6'; b[3] = '4'; return b; }(), msg::kNotWav},
        {"form_type_not_wave", [&] { auto b = good; b[11] = 'X'; return b; }(), msg::kNotWav},
        {"riff_lower_case", [&] { auto b = good; b[0] = 'r'; return b; }(), msg::kNotWav},
        {"no_chunks", Header(), msg::kNoFormat},
        {"data_before_fmt", dataFirst.data, msg::kNoFormat},
        {"no_data_chunk", fmtOnly.data, msg::kNoData},
        {"upper_case_data_only", lowerData.data, msg::kNoData},
        {"skipped_chunk_runs_past_end", longJunk.data, msg::kReadPastEnd},
        {"chunk_header_cut_short", halfHeader.data, msg::kReadPastEnd},
        {"fmt_body_cut_short", Cut(good, 12 + 8 + 10), msg::kReadPastEnd},
        {"fmt_size_14", WithFmtBody(Cut(testwav::FmtBody(kStereo16), 14)), msg::kBadFormat},
        {"extensible_block_of_18_bytes", extensibleShort.data, msg::kBadFormat},
        {"zero_channels", PatchedFmt(kStereo16, 2, {0, 0}), msg::kBadFormat},
        {"zero_block_align", PatchedFmt(kStereo16, 12, {0, 0}), msg::kBadFormat},
        {"block_align_below_frame", PatchedFmt(kStereo16, 12, {3, 0}), msg::kBadFormat},
        {"zero_sample_rate", PatchedFmt(kStereo16, 4, {0, 0, 0, 0}), msg::kBadFormat},
        {"sample_rate_over_int32", PatchedFmt(kStereo16, 4, {0, 0, 0, 0x80}), msg::kBadFormat},
        {"adpcm", adpcm.data, unsupportedPrefix + "2, 4 Bit)"},
        {"pcm_12_bit_in_one_byte", WithFmtBody(testwav::FmtBody({.bits = 12, .channels = 2, .blockAlign = 2})),
         unsupportedPrefix + "1, 12 Bit)"},
        {"pcm_48_bit", WithFmtBody(testwav::FmtBody({.bits = 48, .channels = 1})), unsupportedPrefix + "1, 48 Bit)"},
        {"float_16_bit", WithFmtBody(testwav::FmtBody({.bits = 16, .isFloat = true})), unsupportedPrefix + "3, 16 Bit)"},
        {"alaw", WithFmtBody(testwav::FmtBody({.bits = 8, .formatTagOverride = 6})), unsupportedPrefix + "6, 8 Bit)"},
        {"format_tag_high_byte", PatchedFmt(kStereo16, 1, {0x01}), unsupportedPrefix + "257, 16 Bit)"},
        {"extensible_alaw", PatchedFmt({.bits = 8, .extensible = true}, 24, {6, 0}), unsupportedPrefix + "6, 8 Bit)"},
        {"extensible_float_24", WithFmtBody(testwav::FmtBody({.bits = 24, .isFloat = true, .extensible = true})),
         unsupportedPrefix + "3, 24 Bit)"},
    };
}

class WavReaderFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(WavReaderFailure, ThrowsItsMessageAndKeepsThePreviousRecording) {
    auto state = NewState();
    RecordingEffects fx;
    LoadBytes(testwav::MakeWav({.bits = 8, .channels = 2, .rate = 8000}, {{10, 20}, {30, 40}, {50, 60}}), *state, fx);
    state->ChannelSelect = 2;
    const auto before = std::make_unique<AnalysisState>(*state);
    RecordingEffects failing;

    try {
        LoadBytes(GetParam().bytes, *state, failing);
        FAIL() << "load succeeded";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
    ExpectSameRecording(*before, *state);
    EXPECT_EQ(failing.calls, 0) << "a failed load must not touch the screen";
}

INSTANTIATE_TEST_SUITE_P(Messages, WavReaderFailure, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Files on disk: open errors, read-only opening, and no file handle left behind.
class WavFileTest : public ::testing::Test {
protected:
    static int OpenDescriptors() {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
        return n;
    }
    std::unique_ptr<AnalysisState> state = NewState();
    RecordingEffects fx;
};

TEST_F(WavFileTest, MissingFileFailsWithNotFoundAndSetsWaveOpened) {
    state->FileName = "/nonexistent/pirolex/none.wav";
    try {
        OpenWavefile(*state, fx);
        FAIL() << "opened a missing file";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), msg::kFileNotFound);
    }
    EXPECT_TRUE(state->WaveOpened);
    EXPECT_EQ(fx.calls, 0);
}

TEST_F(WavFileTest, FolderIsNotReadable) {
    state->FileName = std::filesystem::temp_directory_path().string();
    EXPECT_FALSE(CanOpenForReading(state->FileName));
    EXPECT_THROW(OpenWavefile(*state, fx), RuntimeError);
}

TEST_F(WavFileTest, WriteProtectedFileLoadsAndMatchesTheMemoryLoad) {
    const auto bytes = testwav::MakeWav({.bits = 24, .channels = 2, .rate = 96000}, {{1 << 20, -(1 << 20)}, {5, -5}});
    const std::string path = testwav::WriteTempFile(bytes, "readonly.wav");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    state->FileName = path;
    EXPECT_TRUE(CanOpenForReading(path));
    OpenWavefile(*state, fx);

    auto fromMemory = NewState();
    fromMemory->FileName = path;
    RecordingEffects memoryFx;
    LoadBytes(bytes, *fromMemory, memoryFx);
    ExpectSameRecording(*fromMemory, *state);
    EXPECT_EQ(fx.panels, memoryFx.panels);
    EXPECT_TRUE(state->WaveOpened);
}

TEST_F(WavFileTest, FailedLoadsCloseTheFile) {
    const std::string bad = testwav::WriteTempFile(Cut(testwav::MakeWav(kStereo16, {}), 30), "cut.wav");
    const std::string good = testwav::WriteTempFile(testwav::MakeWav(kStereo16, {{1, 1}}), "good.wav");
    const int before = OpenDescriptors();
    for (int i = 0; i < 5; ++i) {
        state->FileName = bad;
        EXPECT_THROW(OpenWavefile(*state, fx), RuntimeError);
        state->FileName = good;
        OpenWavefile(*state, fx);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace pirolex
