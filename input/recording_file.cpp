#include "recording_file.h"

#include "recorded_date.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pirolex {

bool IsWavPath(const std::string& path) {
    constexpr std::string_view kExtension = ".wav";
    if (path.size() < kExtension.size()) return false;
    return std::equal(kExtension.begin(), kExtension.end(), path.end() - kExtension.size(),
                      [](char want, char have) {
                          return want == std::tolower(static_cast<unsigned char>(have));
                      });
}

Failure DecodeFailure(DecodeError error, const DecodeInfo& info) {
    switch (error) {
    case DecodeError::kFileNotFound: return Failure(ErrorCode::kFileNotFound);
    case DecodeError::kAccessDenied: return Failure(ErrorCode::kAccessDenied);
    case DecodeError::kReadFailed: return Failure(ErrorCode::kIoError, info.systemError);
    case DecodeError::kUnknownFormat: return Failure(ErrorCode::kUnknownFormat);
    case DecodeError::kNoAudioStream: return Failure(ErrorCode::kNoAudioStream);
    case DecodeError::kCodecMissing: return Failure(ErrorCode::kCodecMissing);
    case DecodeError::kUnsupportedAudio:
        return Failure(ErrorCode::kUnsupportedAudio, info.channels, info.sampleRate);
    case DecodeError::kCorrupt: return Failure(ErrorCode::kDamagedFile);
    case DecodeError::kTooLarge: return Failure(ErrorCode::kTooLong);
    case DecodeError::kCancelled: return Failure(ErrorCode::kCancelled);
    case DecodeError::kNotRegularFile: return Failure(ErrorCode::kNotRegularFile, info.folder ? 1 : 0);
    case DecodeError::kPlaylist: return Failure(ErrorCode::kPlaylist);
    case DecodeError::kSessionDescription: return Failure(ErrorCode::kSessionDescription);
    case DecodeError::kImageSequence: return Failure(ErrorCode::kImageSequence);
    }
    return Failure(ErrorCode::kDamagedFile);
}

int64_t RecordingBytesBound(const std::string& path, FileDecoder decode) {
    constexpr int64_t kMostBytes = kMaxRecordingSamples * int64_t{sizeof(int16_t)};
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return 0;  // it will fail to load before it takes memory
    if (IsWavPath(path)) {
        // Every byte of an 8-bit file becomes two.
        return std::min<int64_t>(kMostBytes, 2 * static_cast<int64_t>(size));
    }
    if (!decode) return 0;
    DecodeOptions options;
    options.headerOnly = true;
    const DecodeResult header = decode(path, options);
    if (header.error) return 0;  // refused from its header: no memory spent
    if (header.info.declaredSamples <= 0) return kMostBytes;
    return std::min<int64_t>(kMostBytes, header.info.declaredSamples * int64_t{sizeof(int16_t)});
}

RecordingFile ReadRecordingFile(const std::string& path, FileDecoder decode, const DecodeProgress& progress) {
    RecordingFile file;
    if (IsWavPath(path)) {
        WavResult wav = ReadWavFile(path);
        file.error = std::move(wav.error);
        file.recording = std::move(wav.recording);
        file.wav = wav.info;
        if (file.Ok()) file.recorded = RecordedDate(path);
        return file;
    }
    DecodeOptions options;
    options.progress = progress;
    file.decoded = true;
    if (!decode) {
        file.error = Failure(ErrorCode::kCodecMissing);
        return file;
    }
    DecodeResult decoded = decode(path, options);
    if (decoded.error) file.error = DecodeFailure(*decoded.error, decoded.info);
    file.recording = std::move(decoded.recording);
    file.decodedInfo = std::move(decoded.info);
    if (file.Ok()) file.recorded = RecordedDate(path, file.decodedInfo.creationTime);
    return file;
}

}  // namespace pirolex
