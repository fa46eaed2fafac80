#pragma once
// The WAV reader: parses a RIFF/WAVE byte stream into a Recording. A load is all or nothing: it
// returns the recording and its format, or the code of the failure and nothing else.
//
// What it accepts: "RIFF" size "WAVE", then chunks in any order; "fmt " and "data" are found by
// tag (case-sensitive), everything else is skipped by its size plus the pad byte after an odd
// size. Formats: PCM 8/16/24/32 bit, IEEE float 32/64 bit, and WAVE_FORMAT_EXTENSIBLE whose
// sub-format is one of those; PCM of other sizes (12 bits in 2 bytes, 20 in 3) is read by its
// container, block align / channels. Every frame of every channel is kept, each sample as a
// 16-bit integer taken by floor: 8-bit b gives (b - 128) << 8, 16-bit stays, 24 and 32 bits keep
// their top 16 bits, float x gives floor(x * 32768) clamped to the 16-bit range (NaN gives 0).
// A data chunk that claims more bytes than the file holds loads the whole frames that are there;
// one that claims 0 bytes takes the rest of the file as its data unless that is a list of chunks
// ending with the file. Nothing after the data chunk is read.

#include "failure.h"
#include "recording.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pirolex {

// Where the reader's bytes come from: a file, or a buffer in tests and the fuzzer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes into dst; returns how many were read, 0 at the end. May return fewer
    // than n before the end; the reader asks again.
    virtual size_t Read(uint8_t* dst, size_t n) = 0;
    // Passes over up to n bytes; returns how many there were (fewer only at the end). The
    // default reads and discards them; sources that can seek do it faster.
    virtual uint64_t Skip(uint64_t n);
    // The bytes still to come where the source knows them (a file's size, a buffer), so that a
    // recording too long to hold is refused before its memory is spent.
    virtual std::optional<uint64_t> Remaining() const { return std::nullopt; }
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(uint8_t* dst, size_t n) override;
    uint64_t Skip(uint64_t n) override;
    std::optional<uint64_t> Remaining() const override { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The file wrapper: opened read-only on construction (throws the open error's Failure), closed
// by the destructor, so a failing parse never leaves it open. Read errors throw kIoError. Only a
// regular file is read: a folder, a device or a named pipe throws kNotRegularFile at once, rather
// than waiting for a writer that never comes.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    size_t Read(uint8_t* dst, size_t n) override;
    uint64_t Skip(uint64_t n) override;
    std::optional<uint64_t> Remaining() const override { return size_ > pos_ ? size_ - pos_ : 0; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
};

// The format as the file states it.
struct WavInfo {
    uint16_t formatTag = 0;     // as written in the header (1, 3 or 0xFFFE)
    uint16_t sampleFormat = 0;  // 1 = integer PCM, 3 = IEEE float (the sub-format if extensible)
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t blockAlign = 0;
    uint32_t bitsPerSample = 0;  // the container size, which decides how samples are read
    uint32_t validBits = 0;      // extensible only, else bitsPerSample
    uint32_t dataSizeField = 0;  // the "data" chunk's size field as written
    uint32_t framesPresent = 0;  // whole frames in the file, = the recording's frame count
    bool truncated = false;      // the data chunk claims more bytes than the file holds
};

struct WavResult {
    std::optional<Failure> error;  // set when the load failed; recording and info are then empty
    Recording recording;
    WavInfo info;

    bool Ok() const { return !error.has_value(); }
};

WavResult ReadWav(ByteSource& source);
// Opens path read-only, reads it and closes it again.
WavResult ReadWavFile(const std::string& path);

// The load command's open test: can the path be opened for reading (and is it not a folder)?
bool CanOpenForReading(const std::string& path);

}  // namespace pirolex
