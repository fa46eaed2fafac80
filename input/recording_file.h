#pragma once
// The one way the program reads a recording from a path: the window's load and drops, and the
// commands info, render, measure and auto. A name ending in ".wav" (any case) goes through the
// project's own WAV reader, exactly as it always has; every other file through the decoder of
// other formats. Either way the result is a Recording at full precision, or a failure code for
// app/ to word.
//
//   pirolex::RecordingFile file = pirolex::ReadRecordingFile(path, &pirolex::DecodeFile);
//   if (!file.Ok()) throw *file.error;
//   Use(file.recording);

#include "audio_decoder.h"
#include "failure.h"
#include "recording.h"
#include "wav_reader.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pirolex {

struct RecordingFile {
    std::optional<Failure> error;  // set when the load failed; the recording is then empty
    Recording recording;
    // Which reader read it, and what that one found: wav for WAV files, decoded for the others
    // (codec, container, whether sound was lost to damage).
    bool decoded = false;
    WavInfo wav;
    DecodeInfo decodedInfo;
    // When it was recorded, ISO 8601 (see recorded_date.h); set when the load succeeded.
    std::string recorded;

    bool Ok() const { return !error.has_value(); }
    // The channels as the file states them (a WAV header may name more than it carries). Read
    // from what the reader found, not from the recording, which its user may have moved away.
    int32_t FileChannels() const {
        return decoded ? decodedInfo.channels : static_cast<int32_t>(wav.channels);
    }
};

// The decoder of other formats, handed in by whoever reads: FFmpeg's libraries pull in about a
// hundred more, which cost every start of the program some 50 ms, so `pirolex` hands in one that
// loads them only when a file needs them (app/decoder_module.h). What links the decoder anyway
// (the window, the tests) hands in DecodeFile. With none, other formats fail as kCodecMissing.
using FileDecoder = DecodeResult (*)(const std::string& path, const DecodeOptions& options);

// Whether the path names a WAV file, by its extension alone: the content is the reader's business.
bool IsWavPath(const std::string& path);

// Reads the file at path. progress (optional) is called from the reading thread while an other
// format decodes, and cancels the load by returning false (ErrorCode::kCancelled); WAV files are
// read in one go without it.
RecordingFile ReadRecordingFile(const std::string& path, FileDecoder decoder, const DecodeProgress& progress = {});

// An upper bound of the memory the recording at path will take once read, from its header alone
// (a WAV file's size, the length another container declares); the most a recording may take where
// the file does not say. For a batch that decides how many files it reads at once.
int64_t RecordingBytesBound(const std::string& path, FileDecoder decoder);

// The failure a decoder code stands for; the details carry what its message names.
Failure DecodeFailure(DecodeError error, const DecodeInfo& info);

}  // namespace pirolex
