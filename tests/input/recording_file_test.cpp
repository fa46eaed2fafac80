// The decoder of other formats is the one the caller hands in: a WAV name never reaches it, any
// other name does, and without one other formats are refused as a missing codec.
#include "recording_file.h"

#include "wav_writer.h"

#include <gtest/gtest.h>

namespace pirolex {
namespace {

// What the fake decoder was asked last; a plain function, as the program's decoders are.
std::string askedPath;
bool askedHeaderOnly = false;

DecodeResult ThreeFrames(const std::string& path, const DecodeOptions& options) {
    askedPath = path;
    askedHeaderOnly = options.headerOnly;
    DecodeResult result;
    result.info.declaredSamples = 3000;
    if (!options.headerOnly) result.recording = Recording{8000, {{1, 2, 3}}};
    return result;
}

TEST(RecordingFileTest, OtherFormatsGoToTheDecoderHandedIn) {
    const std::string flac = testwav::WriteTempFile({0, 1, 2, 3}, "handed_in.flac");
    const std::string text = "no RIFF header here";
    const std::string wav = testwav::WriteTempFile({text.begin(), text.end()}, "handed_in.wav");
    const struct {
        const char* what;
        std::string path;
        FileDecoder decoder;
        std::optional<ErrorCode> error;
        int64_t frames;
        bool asked;
        int64_t bytesBound;
    } cases[] = {
        {"flac, decoder", flac, &ThreeFrames, std::nullopt, 3, true, 6000},
        {"flac, none", flac, nullptr, ErrorCode::kCodecMissing, 0, false, 0},
        {"wav, decoder", wav, &ThreeFrames, ErrorCode::kNotWav, 0, false, 38},
    };
    for (const auto& c : cases) {
        askedPath.clear();
        askedHeaderOnly = false;
        const RecordingFile file = ReadRecordingFile(c.path, c.decoder);
        EXPECT_EQ(file.error ? std::optional(file.error->Code()) : std::nullopt, c.error) << c.what;
        EXPECT_EQ(file.recording.FrameCount(), c.frames) << c.what;
        EXPECT_EQ(askedPath == c.path, c.asked) << c.what;
        EXPECT_FALSE(askedHeaderOnly) << c.what;
        EXPECT_EQ(RecordingBytesBound(c.path, c.decoder), c.bytesBound) << c.what;
        EXPECT_EQ(askedHeaderOnly, c.asked) << c.what << ": the bound reads the header alone";
    }
}

}  // namespace
}  // namespace pirolex
