// Real WAV files written by other programs, described one per row in MANIFEST.tsv. Each either
// loads with the listed channels, rate and frames, or is rejected with one of the reader's own
// messages. The folder is not part of the repository; without it the test skips itself.

#include "reader_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pirolex {
namespace {

namespace fs = std::filesystem;

using Row = std::map<std::string, std::string>;

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t')) fields.push_back(field);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    return fields;
}

std::vector<Row> ReadManifest(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> columns = SplitTabs(line);
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const std::vector<std::string> fields = SplitTabs(line);
        Row row;
        for (size_t i = 0; i < columns.size(); ++i) row[columns[i]] = i < fields.size() ? fields[i] : "";
        rows.push_back(row);
    }
    return rows;
}

long Number(const Row& row, const char* column) {
    const std::string& text = row.at(column);
    return text.empty() ? -1 : std::stol(text, nullptr, 0);
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The codes a file's content can earn; open and read errors of the system are not expected.
bool IsReaderCode(ErrorCode code) {
    for (ErrorCode c : {ErrorCode::kNotWav, ErrorCode::kNoFormatChunk, ErrorCode::kNoDataChunk,
                        ErrorCode::kBadFormatChunk, ErrorCode::kReadPastEnd, ErrorCode::kUnsupportedFormat})
        if (code == c) return true;
    return false;
}

// Whether the row describes a file the reader is meant to accept: a RIFF file with a supported,
// consistent format block that stands intact before the data.
bool ShouldLoad(const Row& row) {
    const std::string& tag = row.at("fmt_tag");
    const std::string& sub = row.at("subformat");
    const bool extensible = StartsWith(tag, "0xFFFE");
    const bool pcm = StartsWith(extensible ? sub : tag, "0x0001");
    const bool flt = StartsWith(extensible ? sub : tag, "0x0003");
    const long bits = Number(row, "bits_per_sample");
    // Plain PCM between the byte sizes is read by its container, block align / channels.
    const long align = Number(row, "block_align"), channels = Number(row, "channels");
    const long container = channels > 0 && align % channels == 0 ? align / channels : 0;
    const bool byContainer = pcm && !extensible && bits % 8 != 0 && container >= 1 &&
                             container <= 4 && bits <= 8 * container;
    const bool supported = (pcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                           (flt && (bits == 32 || bits == 64)) || byContainer;
    const std::string& chunks = row.at("chunks");
    const size_t fmtAt = chunks.find("[fmt ]");
    const size_t dataAt = chunks.find("[data]");
    const std::string beforeData = chunks.substr(0, dataAt);
    const bool intactHeader = fmtAt < dataAt && dataAt != std::string::npos &&
                              beforeData.find("NO pad") == std::string::npos &&
                              beforeData.find("(only") == std::string::npos;
    return row.at("riff_tag") == "RIFF" && supported && intactHeader && Number(row, "channels") > 0 &&
           Number(row, "sample_rate") > 0 && !row.at("frames").empty() &&
           Number(row, "block_align") >= Number(row, "channels") * (bits / 8);
}

TEST(WavCorpus, EveryFileLoadsAsListedOrFailsWithAReaderCode) {
    const fs::path dir = PIROLEX_CORPUS_DIR;
    if (!fs::exists(dir / "MANIFEST.tsv")) GTEST_SKIP() << "no corpus at " << dir;
    const std::vector<Row> rows = ReadManifest(dir / "MANIFEST.tsv");
    ASSERT_FALSE(rows.empty());

    int loaded = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at("file"));
        const WavResult wav = ReadWavFile((dir / row.at("file")).string());
        if (wav.Ok()) {
            ++loaded;
            EXPECT_TRUE(ShouldLoad(row)) << "loaded a file the manifest calls unreadable";
            EXPECT_EQ(static_cast<long>(wav.info.channels), Number(row, "channels"));
            EXPECT_EQ(wav.recording.ChannelCount(), Number(row, "channels"));
            EXPECT_EQ(wav.recording.sampleRate, Number(row, "sample_rate"));
            EXPECT_EQ(wav.recording.FrameCount(), Number(row, "frames"));
            EXPECT_EQ(PictureSamples(wav.recording, 0).Count(),
                      std::min<long>(Number(row, "frames"), kMaxFrames));
        } else {
            const ErrorCode code = wav.error->Code();
            EXPECT_FALSE(ShouldLoad(row)) << "rejected: " << wav.error->what();
            EXPECT_TRUE(IsReaderCode(code)) << wav.error->what();
            if (row.at("riff_tag") != "RIFF") {
                EXPECT_EQ(code, ErrorCode::kNotWav);
            }
        }
    }
    EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace pirolex
