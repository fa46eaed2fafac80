#pragma once
// Every failure the user gets to see, as a code: reading a file, and the checked arithmetic of the
// analysis and the drawing. Nothing below the window and the command line words them; those map
// each code to its message through one table (app/texts).

#include <cstdint>
#include <exception>
#include <string_view>

namespace pirolex {

enum class ErrorCode {
    kReadPastEnd,        // a chunk or header ends before the file does
    kIntegerOverflow,
    kFloatDivisionByZero,
    kInvalidFloatOperation,  // 0/0, NaN or infinity where a number is needed
    kRangeCheck,         // an index or a whole number outside its range
    kFileNotFound,
    kAccessDenied,
    kIoError,            // detail: the system's error number
    kNotWav,
    kNoFormatChunk,
    kNoDataChunk,
    kBadFormatChunk,
    kUnsupportedFormat,  // detail: the format tag; detail2: the bits per sample
    // Files of other formats, through the decoder.
    kUnknownFormat,      // no audio or video format the decoder knows
    kNoAudioStream,
    kCodecMissing,
    kUnsupportedAudio,   // detail: the channels; detail2: the sample rate
    kDamagedFile,        // damaged, or cut off before its first piece of sound
    kTooLong,            // more samples than memory is allowed to hold
    kCancelled,          // the user stopped the load
    // What is not a recording at all, refused before a byte of it is taken for sound.
    kNotRegularFile,     // detail: 1 for a folder, 0 for a device, a pipe or a socket
    kPlaylist,           // a playlist, manifest or script naming other files or URLs
    kSessionDescription, // the description of a network stream (SDP, RTP, RTSP)
    kImageSequence,      // a pattern of picture files
    // Saves.
    kOutputIsInput,      // the file to write is the one being read
    kWriteProtected,     // the file to replace has no write permission
};

// The one exception type of the program's own failures. The details carry the numbers a message
// names (an error number, a format tag and a sample size).
class Failure : public std::exception {
public:
    explicit Failure(ErrorCode code, int32_t detail = 0, int32_t detail2 = 0)
        : code_(code), detail_(detail), detail2_(detail2) {}
    ErrorCode Code() const { return code_; }
    int32_t Detail() const { return detail_; }
    int32_t Detail2() const { return detail2_; }
    // The code's name, for logs and test output; users get the text from app/texts.
    const char* what() const noexcept override;

private:
    ErrorCode code_;
    int32_t detail_;
    int32_t detail2_;
};

[[noreturn]] void Fail(ErrorCode code, int32_t detail = 0, int32_t detail2 = 0);

std::string_view ErrorCodeName(ErrorCode code);

}  // namespace pirolex
