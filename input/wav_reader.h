#pragma once
// The WAV reader: parses a RIFF/WAVE byte stream into the 8-bit sample store. A load is all or
// nothing: it parses into a fresh result and only a complete success touches AnalysisState and
// the status panels. Failures throw RuntimeError with the German text the user sees.

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
    // Reads up to n bytes into dst; returns how many were read, 0 at the end.
    virtual size_t Read(uint8_t* dst, size_t n) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(uint8_t* dst, size_t n) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Parses the stream and commits it into state: store, format values, status panels 1 to 3 and
// the channel group. Leaves state untouched when it throws.
void LoadWav(ByteSource& source, AnalysisState& state, Effects& effects);

// Parses state.FileName, opened read-only and always closed again.
void OpenWavefile(AnalysisState& state, Effects& effects);

// The load command's open test: can the path be opened for reading?
bool CanOpenForReading(const std::string& path);

}  // namespace pirolex
