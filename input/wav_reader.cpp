#include "wav_reader.h"

#include "runtime_error.h"

#include <cstring>
#include <fstream>

namespace pirolex {

size_t MemorySource::Read(uint8_t* dst, size_t n) {
    const size_t count = std::min(n, size_ - pos_);
    std::memcpy(dst, data_ + pos_, count);
    pos_ += count;
    return count;
}

void LoadWav(ByteSource&, AnalysisState&, Effects&) { Fail(msg::kNoData); }

void OpenWavefile(AnalysisState&, Effects&) { Fail(msg::kNoData); }

bool CanOpenForReading(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in.is_open();
}

}  // namespace pirolex
