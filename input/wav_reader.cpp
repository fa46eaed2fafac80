#include "wav_reader.h"

#include "runtime_error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pirolex {

namespace {

constexpr size_t kRiffHeaderSize = 12;
constexpr size_t kChunkHeaderSize = 8;
constexpr uint32_t kMinFmtSize = 16;
constexpr uint32_t kExtensibleFmtSize = 40;
constexpr size_t kValidBitsOffset = 18;
constexpr size_t kSubFormatOffset = 24;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr uint32_t kMaxSampleRate = std::numeric_limits<int32_t>::max();
constexpr uint32_t kMaxDataBytes = std::numeric_limits<int32_t>::max();
constexpr uint32_t kMaxFrameCount = std::numeric_limits<int32_t>::max();
constexpr size_t kReadBlockBytes = 64 * 1024;
// How far a data chunk of size 0 is looked past to tell trailing chunks from audio.
constexpr size_t kLookAheadBytes = 1024 * 1024;
constexpr size_t kDiscardBytes = 4096;
constexpr uint8_t kZeroLevel = 128;
constexpr uint8_t kMonoRightLevel = 127;
constexpr const char* kUnitRate = " Hz Samplerate";
constexpr const char* kUnitCount = " Samples";

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool TagIs(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// Reads until n bytes or the end of the source; returns how many arrived.
size_t ReadUpTo(ByteSource& src, uint8_t* dst, size_t n) {
    size_t total = 0;
    while (total < n) {
        const size_t got = src.Read(dst + total, n - total);
        if (got == 0) break;
        total += got;
    }
    return total;
}

void ReadExact(ByteSource& src, uint8_t* dst, size_t n) {
    if (ReadUpTo(src, dst, n) != n) Fail(msg::kReadPastEnd);
}

void SkipExact(ByteSource& src, uint64_t n) {
    if (src.Skip(n) != n) Fail(msg::kReadPastEnd);
}

// RIFF aligns every chunk to an even offset. A missing pad byte at the very end of the file is
// harmless (files cut after the last odd chunk are common), so it is not an error.
void SkipPadByte(ByteSource& src, uint32_t chunkSize) {
    if (chunkSize % 2 == 1) src.Skip(1);
}

// The format block as the reader needs it, before anything is committed.
struct Format {
    uint16_t formatTag = 0;
    uint16_t sampleFormat = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint16_t validBits = 0;
    uint32_t SampleBytes() const { return bits / 8u; }
};

// The decoded recording, held apart from AnalysisState until the whole parse has succeeded.
struct Parsed {
    Format format;
    uint32_t dataSizeField = 0;
    uint64_t dataBytesPresent = 0;
    uint32_t framesPresent = 0;
    std::vector<uint8_t> left;
    std::vector<uint8_t> right;
};

struct ChunkHeader {
    uint8_t tag[4];
    uint32_t size;
};

void ReadRiffHeader(ByteSource& src) {
    uint8_t head[kRiffHeaderSize];
    if (ReadUpTo(src, head, kRiffHeaderSize) != kRiffHeaderSize) Fail(msg::kNotWav);
    if (!TagIs(head, "RIFF") || !TagIs(head + 8, "WAVE")) Fail(msg::kNotWav);
}

// False at a clean end of the chunk list; a header cut short is a read past the end.
bool ReadChunkHeader(ByteSource& src, ChunkHeader& header) {
    uint8_t raw[kChunkHeaderSize];
    const size_t got = ReadUpTo(src, raw, kChunkHeaderSize);
    if (got == 0) return false;
    if (got != kChunkHeaderSize) Fail(msg::kReadPastEnd);
    std::memcpy(header.tag, raw, 4);
    header.size = U32(raw + 4);
    return true;
}

// Plain PCM with a sample size between the byte sizes (12 bits in 2 bytes, 20 in 3) is read by
// its container, as extensible files are: the samples are left-justified in it, so its top byte
// is the sample's top byte.
void ReadByContainer(Format& f) {
    if (f.sampleFormat != kFormatPcm || f.bits % 8 == 0 || f.channels == 0) return;
    if (f.blockAlign % f.channels != 0) return;
    const uint32_t container = f.blockAlign / f.channels;
    if (container < 1 || container > 4 || f.bits > 8 * container) return;
    f.validBits = f.bits;
    f.bits = static_cast<uint16_t>(8 * container);
}

bool IsSupported(uint16_t sampleFormat, uint16_t bits) {
    if (sampleFormat == kFormatPcm) return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (sampleFormat == kFormatFloat) return bits == 32 || bits == 64;
    return false;
}

void CheckFormat(const Format& f) {
    if (!IsSupported(f.sampleFormat, f.bits)) Fail(msg::Unsupported(f.sampleFormat, f.bits));
    const bool frameTooSmall = uint32_t{f.blockAlign} < uint32_t{f.channels} * f.SampleBytes();
    if (f.channels == 0 || f.blockAlign == 0 || frameTooSmall || f.sampleRate == 0 ||
        f.sampleRate > kMaxSampleRate)
        Fail(msg::kBadFormat);
}

// body holds the first min(size, 40) bytes of the "fmt " chunk.
Format DecodeFormat(const uint8_t* body, uint32_t size) {
    Format f;
    f.formatTag = U16(body);
    f.channels = U16(body + 2);
    f.sampleRate = U32(body + 4);
    f.blockAlign = U16(body + 12);
    f.bits = U16(body + 14);
    f.validBits = f.bits;
    f.sampleFormat = f.formatTag;
    if (f.formatTag == kFormatExtensible) {
        if (size < kExtensibleFmtSize) Fail(msg::kBadFormat);
        // Valid bits only describe the signal; the container size decides how samples are read.
        f.validBits = U16(body + kValidBitsOffset);
        // The sub-format GUID starts with the format tag it stands for.
        f.sampleFormat = U16(body + kSubFormatOffset);
    } else {
        ReadByContainer(f);
    }
    CheckFormat(f);
    return f;
}

Format ReadFormatChunk(ByteSource& src, uint32_t size) {
    if (size < kMinFmtSize) Fail(msg::kBadFormat);
    uint8_t body[kExtensibleFmtSize] = {};
    const uint32_t head = std::min(size, kExtensibleFmtSize);
    ReadExact(src, body, head);
    SkipExact(src, size - head);
    SkipPadByte(src, size);
    return DecodeFormat(body, size);
}

// Walks the chunk list up to the "data" chunk; returns the format and leaves the source at the
// first data byte.
Format FindDataChunk(ByteSource& src, uint32_t& dataSize) {
    std::optional<Format> format;
    ChunkHeader header;
    while (ReadChunkHeader(src, header)) {
        if (TagIs(header.tag, "data")) {
            if (!format) Fail(msg::kNoFormat);
            dataSize = header.size;
            return *format;
        }
        if (TagIs(header.tag, "fmt ") && !format) {
            format = ReadFormatChunk(src, header.size);
        } else {
            SkipExact(src, header.size);
            SkipPadByte(src, header.size);
        }
    }
    Fail(format ? msg::kNoData : msg::kNoFormat);
}

uint8_t FloatTo8Bit(double x) {
    if (std::isnan(x)) return kZeroLevel;
    const double level = std::floor(x * 128.0) + 128.0;
    return static_cast<uint8_t>(std::clamp(level, 0.0, 255.0));
}

uint8_t SampleTo8Bit(const uint8_t* p, const Format& f) {
    if (f.sampleFormat == kFormatFloat) {
        if (f.bits == 32) {
            float x;
            const uint32_t raw = U32(p);
            std::memcpy(&x, &raw, sizeof x);
            return FloatTo8Bit(x);
        }
        double x;
        const uint64_t raw = U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
        std::memcpy(&x, &raw, sizeof x);
        return FloatTo8Bit(x);
    }
    if (f.bits == 8) return p[0];
    // floor(s / 2^(bits - 8)) + 128 is the most significant byte with its sign bit inverted.
    return static_cast<uint8_t>(p[f.SampleBytes() - 1] ^ 0x80);
}

void DecodeFrames(const uint8_t* bytes, size_t frames, Parsed& out) {
    const Format& f = out.format;
    // CheckFormat guarantees the stride holds a whole sample, also for padded containers.
    const size_t stride = f.blockAlign / f.channels;
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* frame = bytes + i * f.blockAlign;
        out.left.push_back(SampleTo8Bit(frame, f));
        out.right.push_back(f.channels >= 2 ? SampleTo8Bit(frame + stride, f) : kMonoRightLevel);
    }
}

// Stores up to kMaxFrames frames of the `claimed` bytes and counts the bytes the data chunk
// really has, which may be fewer.
void ReadDataChunk(ByteSource& src, uint64_t claimed, Parsed& out) {
    const uint32_t align = out.format.blockAlign;
    std::vector<uint8_t> block(std::max<size_t>(1, kReadBlockBytes / align) * align);
    uint64_t remaining = claimed;
    size_t stored = 0;
    out.left.reserve(std::min<uint64_t>(kMaxFrames, remaining / align));
    out.right.reserve(out.left.capacity());
    while (remaining > 0 && stored < static_cast<size_t>(kMaxFrames)) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), remaining));
        const size_t got = ReadUpTo(src, block.data(), want);
        out.dataBytesPresent += got;
        remaining -= got;
        const size_t frames = std::min(got / align, static_cast<size_t>(kMaxFrames) - stored);
        DecodeFrames(block.data(), frames, out);
        stored += frames;
        if (got < want) return;  // the file ends inside the data chunk
    }
    out.dataBytesPresent += src.Skip(remaining);
}

void CountFrames(Parsed& out) {
    const uint64_t frames = out.dataBytesPresent / out.format.blockAlign;
    if (frames > kMaxFrameCount) Fail(msg::kIntOverflow);
    out.framesPresent = static_cast<uint32_t>(frames);
}

// Bytes already read from a source, handed out again before the rest of it.
class PrefixedSource : public ByteSource {
public:
    PrefixedSource(std::vector<uint8_t> prefix, ByteSource& rest)
        : prefix_(std::move(prefix)), rest_(rest) {}
    size_t Read(uint8_t* dst, size_t n) override {
        if (pos_ == prefix_.size()) return rest_.Read(dst, n);
        const size_t count = std::min(n, prefix_.size() - pos_);
        std::memcpy(dst, prefix_.data() + pos_, count);
        pos_ += count;
        return count;
    }
    uint64_t Skip(uint64_t n) override {
        const uint64_t own = std::min<uint64_t>(n, prefix_.size() - pos_);
        pos_ += static_cast<size_t>(own);
        return own + (n > own ? rest_.Skip(n - own) : 0);
    }

private:
    std::vector<uint8_t> prefix_;
    size_t pos_ = 0;
    ByteSource& rest_;
};

bool LooksLikeChunkTag(const uint8_t* tag) {
    if (tag[0] == ' ') return false;
    for (int i = 0; i < 4; ++i)
        if (tag[i] < 0x20 || tag[i] > 0x7E) return false;
    return true;
}

// Whether bytes, the whole rest of the file, are a list of chunks that ends with it (the last
// one's pad byte may be missing).
bool IsChunkList(const std::vector<uint8_t>& bytes) {
    uint64_t pos = 0;
    while (pos + kChunkHeaderSize <= bytes.size()) {
        if (!LooksLikeChunkTag(&bytes[pos])) return false;
        const uint32_t size = U32(&bytes[pos + 4]);
        pos += kChunkHeaderSize + size;
        if (pos == bytes.size()) return true;
        pos += size % 2;
    }
    return pos == bytes.size() && pos > 0;
}

// A recorder that stops before it writes its sizes leaves a data chunk of size 0 with the audio
// after it, up to the end of the file. What follows an empty data chunk is read as its data
// unless it is a list of chunks that ends with the file (a trailing LIST, say) or nothing at all.
void ReadDataAfterEmptyChunk(ByteSource& src, Parsed& out) {
    std::vector<uint8_t> ahead(kLookAheadBytes);
    ahead.resize(ReadUpTo(src, ahead.data(), ahead.size()));
    const bool wholeRest = ahead.size() < kLookAheadBytes;
    if (ahead.empty() || (wholeRest && IsChunkList(ahead))) return;
    PrefixedSource data(std::move(ahead), src);
    ReadDataChunk(data, std::numeric_limits<uint32_t>::max(), out);
}

Parsed Parse(ByteSource& src) {
    Parsed out;
    ReadRiffHeader(src);
    out.format = FindDataChunk(src, out.dataSizeField);
    if (out.dataSizeField == 0)
        ReadDataAfterEmptyChunk(src, out);
    else
        ReadDataChunk(src, out.dataSizeField, out);
    CountFrames(out);
    return out;
}

void CommitFormat(const Parsed& p, AnalysisState& state) {
    const Format& f = p.format;
    state.SampleRate = static_cast<int32_t>(f.sampleRate);
    state.Channels = static_cast<uint8_t>(f.channels & 0xFF);
    state.BlockAlign = static_cast<uint8_t>(f.blockAlign & 0xFF);
    state.BitsPerSample = static_cast<uint8_t>(f.bits & 0xFF);
    state.DataBytes = static_cast<int32_t>(std::min(p.dataSizeField, kMaxDataBytes));
    state.SampleCount = static_cast<int32_t>(p.framesPresent);
    state.StoredCount = static_cast<int32_t>(p.left.size());
}

// Entries above the new StoredCount keep an earlier recording's values; nothing reads them.
void CommitStore(const Parsed& p, AnalysisState& state) {
    std::copy(p.left.begin(), p.left.end(), state.LeftSamples().begin() + 1);
    std::copy(p.right.begin(), p.right.end(), state.RightSamples().begin() + 1);
}

void ReportLoad(const Parsed& p, AnalysisState& state, Effects& effects) {
    effects.StatusPanel(1, std::to_string(state.SampleRate) + kUnitRate);
    effects.StatusPanel(2, std::to_string(state.SampleCount) + kUnitCount);
    effects.StatusPanel(3, DurationText(state.SampleCount, state.SampleRate));
    if (state.StoredCount < 1) return;
    const bool stereo = p.format.channels >= 2;
    if (!stereo) state.ChannelSelect = 0;
    effects.ChannelGroup(stereo);
}

WavInfo Describe(const Parsed& p) {
    WavInfo info;
    info.formatTag = p.format.formatTag;
    info.sampleFormat = p.format.sampleFormat;
    info.channels = p.format.channels;
    info.sampleRate = p.format.sampleRate;
    info.blockAlign = p.format.blockAlign;
    info.bitsPerSample = p.format.bits;
    info.validBits = p.format.validBits;
    info.dataSizeField = p.dataSizeField;
    info.framesPresent = p.framesPresent;
    info.truncated = p.dataBytesPresent < p.dataSizeField;
    return info;
}

[[noreturn]] void FailOpen(int error) {
    if (error == ENOENT || error == ENOTDIR) Fail(msg::kFileNotFound);
    if (error == EACCES || error == EPERM) Fail(msg::kAccessDenied);
    Fail(msg::IoError(error));
}

}  // namespace

uint64_t ByteSource::Skip(uint64_t n) {
    uint8_t scratch[kDiscardBytes];
    uint64_t total = 0;
    while (total < n) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof scratch, n - total));
        const size_t got = Read(scratch, want);
        if (got == 0) break;
        total += got;
    }
    return total;
}

size_t MemorySource::Read(uint8_t* dst, size_t n) {
    const size_t count = std::min(n, size_ - pos_);
    if (count > 0) std::memcpy(dst, data_ + pos_, count);
    pos_ += count;
    return count;
}

uint64_t MemorySource::Skip(uint64_t n) {
    const size_t count = static_cast<size_t>(std::min<uint64_t>(n, size_ - pos_));
    pos_ += count;
    return count;
}

FileSource::FileSource(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) FailOpen(errno);
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) {
        seekable_ = true;
        size_ = static_cast<uint64_t>(info.st_size);
    }
}

FileSource::~FileSource() {
    if (fd_ >= 0) ::close(fd_);
}

size_t FileSource::Read(uint8_t* dst, size_t n) {
    for (;;) {
        const ssize_t got = ::read(fd_, dst, n);
        if (got >= 0) {
            pos_ += static_cast<uint64_t>(got);
            return static_cast<size_t>(got);
        }
        if (errno != EINTR) Fail(msg::IoError(errno));
    }
}

// A regular file knows its size, so skipping is a seek that stops at the end, exactly as far
// as reading and discarding would get.
uint64_t FileSource::Skip(uint64_t n) {
    if (!seekable_) return ByteSource::Skip(n);
    const uint64_t count = std::min(n, size_ > pos_ ? size_ - pos_ : 0);
    if (count == 0) return 0;
    if (::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) < 0) Fail(msg::IoError(errno));
    pos_ += count;
    return count;
}

WavInfo LoadWav(ByteSource& source, AnalysisState& state, Effects& effects) {
    const Parsed parsed = Parse(source);
    CommitFormat(parsed, state);
    CommitStore(parsed, state);
    ReportLoad(parsed, state, effects);
    return Describe(parsed);
}

WavInfo OpenWavefile(AnalysisState& state, Effects& effects) {
    state.WaveOpened = true;
    FileSource file(state.FileName);
    return LoadWav(file, state, effects);
}

bool CanOpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool readable = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return readable;
}

std::string DurationText(int32_t frames, int32_t sampleRate) {
    const double seconds = CheckedDiv(static_cast<double>(frames), static_cast<double>(sampleRate));
    char text[64];
    std::snprintf(text, sizeof text, "%4.1f s", seconds);
    return text;
}

}  // namespace pirolex
