#include "wav_writer.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace testwav {

namespace {

constexpr uint16_t kFmtSizeExtensible = 40;
constexpr uint16_t kExtensibleExtra = 22;

int SampleBytes(const Format& f) { return (f.bits + 7) / 8; }
int ContainerBytes(const Format& f) { return f.containerBytes > 0 ? f.containerBytes : SampleBytes(f); }
int BlockAlign(const Format& f) { return f.blockAlign > 0 ? f.blockAlign : f.channels * ContainerBytes(f); }

uint16_t BaseTag(const Format& f) { return f.isFloat ? kTagFloat : kTagPcm; }

uint16_t WrittenTag(const Format& f) {
    if (f.formatTagOverride >= 0) return static_cast<uint16_t>(f.formatTagOverride);
    return f.extensible ? kTagExtensible : BaseTag(f);
}

// Integer samples are written as the low SampleBytes bytes of their two's complement; 8-bit
// samples are the unsigned byte itself.
void AppendSample(Bytes& b, const Format& f, double value) {
    if (f.isFloat && f.bits == 64) {
        b.F64(value);
    } else if (f.isFloat && f.bits == 32) {
        b.F32(static_cast<float>(value));
    } else {
        const auto v = static_cast<uint64_t>(static_cast<int64_t>(std::llround(value)));
        for (int i = 0; i < SampleBytes(f); ++i) b.U8(static_cast<uint8_t>(v >> (8 * i)));
    }
}

// Zero-fills from `from` up to `size` bytes; a layout that is already longer stays as it is
// (tests of impossible block aligns rely on that).
void PadTo(Bytes& b, size_t from, size_t size) {
    const size_t written = b.data.size() - from;
    if (written < size) b.Zeros(size - written);
}

}  // namespace

Bytes& Bytes::Tag(const char* fourcc) {
    if (std::strlen(fourcc) != 4) throw std::invalid_argument("tag needs 4 characters");
    data.insert(data.end(), fourcc, fourcc + 4);
    return *this;
}

Bytes& Bytes::U8(uint8_t v) {
    data.push_back(v);
    return *this;
}

Bytes& Bytes::U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }

Bytes& Bytes::U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }

Bytes& Bytes::I24(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return U8(u & 0xFF).U8((u >> 8) & 0xFF).U8((u >> 16) & 0xFF);
}

Bytes& Bytes::F32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return U32(u);
}

Bytes& Bytes::F64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return U32(static_cast<uint32_t>(u)).U32(static_cast<uint32_t>(u >> 32));
}

Bytes& Bytes::Raw(const std::vector<uint8_t>& bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes& Bytes::Zeros(size_t n) {
    data.insert(data.end(), n, 0);
    return *this;
}

Bytes& Bytes::Chunk(const char* fourcc, const std::vector<uint8_t>& body) {
    Tag(fourcc).U32(static_cast<uint32_t>(body.size())).Raw(body);
    if (body.size() % 2 == 1) U8(0);
    return *this;
}

Bytes& Bytes::FixRiffSize() { return PatchU32(4, static_cast<uint32_t>(data.size() - 8)); }

Bytes& Bytes::PatchU32(size_t offset, uint32_t v) {
    if (offset + 4 > data.size()) throw std::out_of_range("PatchU32 past the end");
    for (int i = 0; i < 4; ++i) data[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    return *this;
}

std::vector<uint8_t> FmtBody(const Format& f) {
    Bytes b;
    const int align = BlockAlign(f);
    b.U16(WrittenTag(f)).U16(static_cast<uint16_t>(f.channels)).U32(f.rate);
    b.U32(f.rate * static_cast<uint32_t>(align)).U16(static_cast<uint16_t>(align));
    b.U16(static_cast<uint16_t>(f.bits));
    if (f.extensible) {
        b.U16(kExtensibleExtra).U16(static_cast<uint16_t>(f.validBits > 0 ? f.validBits : f.bits));
        b.U32(f.channels == 2 ? 3u : 0u);  // channel mask
        // SubFormat GUID: the base format tag, then the fixed KSDATAFORMAT tail.
        b.U16(BaseTag(f)).Raw({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00,
                               0x38, 0x9B, 0x71});
        if (b.data.size() != kFmtSizeExtensible) throw std::logic_error("extensible block size");
    } else if (f.extraFmtBytes >= 0) {
        b.U16(static_cast<uint16_t>(f.extraFmtBytes)).Zeros(static_cast<size_t>(f.extraFmtBytes));
    }
    return b.data;
}

std::vector<uint8_t> DataBody(const Format& f, const std::vector<Frame>& frames) {
    Bytes b;
    const int container = ContainerBytes(f);
    const int align = BlockAlign(f);
    for (const Frame& frame : frames) {
        const size_t start = b.data.size();
        for (int c = 0; c < f.channels; ++c) {
            const size_t at = b.data.size();
            AppendSample(b, f, c < static_cast<int>(frame.size()) ? frame[c] : 0.0);
            PadTo(b, at, static_cast<size_t>(container));
        }
        PadTo(b, start, static_cast<size_t>(align));
    }
    return b.data;
}

std::vector<uint8_t> MakeWav(const Format& format, const std::vector<Frame>& frames) {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    b.Chunk("fmt ", FmtBody(format));
    b.Chunk("data", DataBody(format, frames));
    b.FixRiffSize();
    return b.data;
}

std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("pirolex-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

}  // namespace testwav
