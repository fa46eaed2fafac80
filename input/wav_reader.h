#pragma once
// The WAV reader: parses a RIFF/WAVE byte stream into the 8-bit sample store. A load is all or
// nothing: it parses into a fresh result and only a complete success touches AnalysisState and
// the status panels. Failures throw RuntimeError with the German text the user sees.
//
// What it accepts: "RIFF" size "WAVE", then chunks in any order; "fmt " and "data" are found by
// tag (case-sensitive), everything else is skipped by its size plus the pad byte after an odd
// size. Formats: PCM 8/16/24/32 bit, IEEE float 32/64 bit, and WAVE_FORMAT_EXTENSIBLE whose
// sub-format is one of those; PCM of other sizes (12 bits in 2 bytes, 20 in 3) is read by its
// container, block align / channels. Each sample becomes one unsigned byte with 128 as zero:
// integer samples keep their most significant byte with the top bit inverted, float samples x
// give floor(x * 128) + 128 clamped to 0..255 (NaN gives 128). A data chunk that claims more
// bytes than the file holds loads the whole frames that are there; one that claims 0 bytes takes
// the rest of the file as its data unless that is a list of chunks ending with the file. Nothing
// after the data chunk is read.

#include "analysis_state.h"
#include "effects.h"

#include <cstddef>
#include <cstdint>
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
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(uint8_t* dst, size_t n) override;
    uint64_t Skip(uint64_t n) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The file wrapper: opened read-only on construction (throws the German open error), closed by
// the destructor, so a failing parse never leaves it open.
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    size_t Read(uint8_t* dst, size_t n) override;
    uint64_t Skip(uint64_t n) override;

private:
    int fd_ = -1;
    bool seekable_ = false;
    uint64_t size_ = 0;
    uint64_t pos_ = 0;
};

// What a successful load found, for the command line and for tests; the window needs none of it.
struct WavInfo {
    uint16_t formatTag = 0;     // as written in the header (1, 3 or 0xFFFE)
    uint16_t sampleFormat = 0;  // 1 = integer PCM, 3 = IEEE float (the sub-format if extensible)
    uint32_t channels = 0;      // full header values; AnalysisState keeps only the low bytes
    uint32_t sampleRate = 0;
    uint32_t blockAlign = 0;
    uint32_t bitsPerSample = 0;  // the container size, which decides how samples are read
    uint32_t validBits = 0;      // extensible only, else bitsPerSample
    uint32_t dataSizeField = 0;  // the "data" chunk's size field as written
    uint32_t framesPresent = 0;  // whole frames in the file, = SampleCount
    bool truncated = false;      // the data chunk claims more bytes than the file holds
};

// Parses the stream and commits it into state: store, format values, status panels 1 to 3, the
// channel group (and ChannelSelect 0 for fewer than two channels). Leaves state and effects
// untouched when it throws. Does not touch WaveOpened, FileName or FileLoaded.
WavInfo LoadWav(ByteSource& source, AnalysisState& state, Effects& effects);

// Sets WaveOpened, then parses state.FileName, opened read-only and always closed again. Open
// errors: "Datei nicht gefunden", "Dateizugriff verweigert" or "E/A-Fehler N".
WavInfo OpenWavefile(AnalysisState& state, Effects& effects);

// The load command's open test: can the path be opened for reading (and is it not a folder)?
bool CanOpenForReading(const std::string& path);

// Status panel 3: seconds with one decimal, right-aligned in at least 4 characters, then " s".
std::string DurationText(int32_t frames, int32_t sampleRate);

}  // namespace pirolex
