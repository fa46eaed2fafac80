#include "failure.h"

namespace pirolex {

std::string_view ErrorCodeName(ErrorCode code) {
    switch (code) {
    case ErrorCode::kReadPastEnd: return "ReadPastEnd";
    case ErrorCode::kIntegerOverflow: return "IntegerOverflow";
    case ErrorCode::kFloatDivisionByZero: return "FloatDivisionByZero";
    case ErrorCode::kInvalidFloatOperation: return "InvalidFloatOperation";
    case ErrorCode::kRangeCheck: return "RangeCheck";
    case ErrorCode::kFileNotFound: return "FileNotFound";
    case ErrorCode::kAccessDenied: return "AccessDenied";
    case ErrorCode::kIoError: return "IoError";
    case ErrorCode::kNotWav: return "NotWav";
    case ErrorCode::kNoFormatChunk: return "NoFormatChunk";
    case ErrorCode::kNoDataChunk: return "NoDataChunk";
    case ErrorCode::kBadFormatChunk: return "BadFormatChunk";
    case ErrorCode::kUnsupportedFormat: return "UnsupportedFormat";
    case ErrorCode::kUnknownFormat: return "UnknownFormat";
    case ErrorCode::kNoAudioStream: return "NoAudioStream";
    case ErrorCode::kCodecMissing: return "CodecMissing";
    case ErrorCode::kUnsupportedAudio: return "UnsupportedAudio";
    case ErrorCode::kDamagedFile: return "DamagedFile";
    case ErrorCode::kTooLong: return "TooLong";
    case ErrorCode::kCancelled: return "Cancelled";
    case ErrorCode::kNotRegularFile: return "NotRegularFile";
    case ErrorCode::kPlaylist: return "Playlist";
    case ErrorCode::kSessionDescription: return "SessionDescription";
    case ErrorCode::kImageSequence: return "ImageSequence";
    case ErrorCode::kOutputIsInput: return "OutputIsInput";
    case ErrorCode::kWriteProtected: return "WriteProtected";
    }
    return "?";
}

// The names are string literals, so the pointer outlives the exception.
const char* Failure::what() const noexcept { return ErrorCodeName(code_).data(); }

void Fail(ErrorCode code, int32_t detail, int32_t detail2) { throw Failure(code, detail, detail2); }

}  // namespace pirolex
