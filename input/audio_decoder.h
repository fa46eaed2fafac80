#pragma once
// Recordings in the formats phones, cameras and handheld recorders write (M4A/AAC, MP3, Ogg/Opus,
// FLAC, the sound track of MP4/MOV/MKV videos, ...), decoded through FFmpeg's libraries. The first
// audio stream of the file becomes a Recording at its own sample rate and channel count: no
// resampling and no channel mixing, so frequencies and times measured on it are the file's own.
//
//   pirolex::DecodeOptions options;
//   options.progress = [&](double fraction) { bar.setValue(fraction); return !cancelled; };
//   pirolex::DecodeResult result = pirolex::DecodeFile(path, options);
//   if (!result.Ok()) ShowMessage(*result.error);  // the caller words the reason
//
// Failures come back as codes, never as text: the caller words them for the user. A load is all
// or nothing: on failure the recording is empty. Nothing is ever written, and the decoder opens
// nothing but the one file (a playlist or reference inside it is refused), so a file cannot make
// the program read elsewhere or reach the network.
//
// The first call silences FFmpeg's own log output for the whole process: its messages are for
// developers and would end up on the terminal of the command line.

#include "recording.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pirolex {

// Each with what the user should be told.
enum class DecodeError {
    kFileNotFound,      // The file does not exist (or a folder on its path does not).
    kAccessDenied,      // The file exists, but this user may not read it.
    kNotRegularFile,    // A folder, a device, a pipe or a socket: no file to read.
    kReadFailed,        // The file could not be read: an I/O error.
    kUnknownFormat,     // The file is in no audio or video format the program can read.
    kNoAudioStream,     // The file holds no sound, e.g. a video recorded without sound.
    kCodecMissing,      // The sound is in a codec this installation cannot decode.
    kUnsupportedAudio,  // The sound's sample rate or channel count is beyond the program's.
    kCorrupt,           // The file is damaged, or cut off before its first piece of sound.
    kTooLarge,          // The recording is too long to keep in memory.
    kCancelled,         // The load was cancelled; the previous recording stays.
    // Formats that name other files or URLs instead of holding sound: refused without opening
    // any of them.
    kPlaylist,            // HLS, DASH, a concatenation script, an IMF composition
    kSessionDescription,  // SDP, RTP, RTSP, SAP: would listen on or connect to the network
    kImageSequence,       // a pattern of picture files
};

// The code's name ("kNoAudioStream" without the k), for logs and test output; not for users.
std::string_view DecodeErrorName(DecodeError error);

// Limits, named so the window and the tests can refer to them.
inline constexpr int32_t kMaxDecodedChannels = 32;
inline constexpr int32_t kMaxDecodedSampleRate = 768000;
inline constexpr int64_t kMaxDecodedSamples = kMaxRecordingSamples;

// What was found in the file; filled as far as the decoder got, so that a failure can still
// name the codec or container.
struct DecodeInfo {
    std::string codec;          // the codec's long name, e.g. "AAC (Advanced Audio Coding)"
    std::string codecName;      // its short name, e.g. "aac"
    std::string container;      // the container's long name, e.g. "QuickTime / MOV"
    std::string containerName;  // its short name, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    int32_t channels = 0;
    int32_t sampleRate = 0;
    int64_t frames = 0;    // decoded frames
    double seconds = 0.0;  // decoded length
    // Some of the sound could not be decoded: packets were skipped, or the file ended early or
    // in a damaged part. Everything decodable before and after is kept.
    bool damaged = false;
    int systemError = 0;  // errno of a failed open or read
    bool folder = false;  // with kNotRegularFile: the path is a folder
    // Samples of all channels that the container says the stream holds, 0 where it does not say.
    int64_t declaredSamples = 0;
    // When the file says it was made: the container's "creation_time" tag, else the audio
    // stream's, as written (e.g. "2024-05-01T08:20:30.000000Z"); empty where neither has one.
    std::string creationTime;
};

// Called from the decoding thread with the share done so far, 0 at the start up to 1 at the end,
// never decreasing. Returning false cancels the load (DecodeError::kCancelled).
using DecodeProgress = std::function<bool(double fraction)>;

struct DecodeOptions {
    DecodeProgress progress;                  // optional
    int64_t maxSamples = kMaxDecodedSamples;  // all channels together; more gives kTooLarge
    // Stop after the header: the info's channels, sampleRate and declaredSamples are filled, no
    // sound is decoded. What a batch asks before it decides how many files fit in memory at once.
    bool headerOnly = false;
};

struct DecodeResult {
    std::optional<DecodeError> error;  // set when the load failed; the recording is then empty
    Recording recording;
    DecodeInfo info;

    bool Ok() const { return !error.has_value(); }
};

// Decodes the first audio stream of the file at path. The path is a plain file name: no
// protocols ("http:", "pipe:", ...) and no devices.
DecodeResult DecodeFile(const std::string& path, const DecodeOptions& options = {});

// Decodes the first audio stream of a file held in memory; the bytes must outlive the call.
DecodeResult DecodeMemory(const uint8_t* data, size_t size, const DecodeOptions& options = {});

}  // namespace pirolex
