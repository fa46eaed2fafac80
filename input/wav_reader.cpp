#include "wav_reader.h"

#include "checked_arithmetic.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
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
constexpr uint32_t kMaxFrameCount = std::numeric_limits<int32_t>::max();
constexpr size_t kReadBlockBytes = 64 * 1024;
// How far a data chunk of size 0 is looked past to tell trailing chunks from audio.
constexpr size_t kLookAheadBytes = 1024 * 1024;
constexpr size_t kDiscardBytes = 4096;

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
    if (ReadUpTo(src, dst, n) != n) Fail(ErrorCode::kReadPastEnd);
}

void SkipExact(ByteSource& src, uint64_t n) {
    if (src.Skip(n) != n) Fail(ErrorCode::kReadPastEnd);
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

// What the parse has found so far; handed out only when the whole parse has succeeded.
struct Parsed {
    Format format;
    uint32_t dataSizeField = 0;
    uint64_t dataBytesPresent = 0;
    uint32_t framesPresent = 0;
    std::vector<std::vector<int16_t>> channels;
};

struct ChunkHeader {
    uint8_t tag[4];
    uint32_t size;
};

void ReadRiffHeader(ByteSource& src) {
    uint8_t head[kRiffHeaderSize];
    if (ReadUpTo(src, head, kRiffHeaderSize) != kRiffHeaderSize) Fail(ErrorCode::kNotWav);
    if (!TagIs(head, "RIFF") || !TagIs(head + 8, "WAVE")) Fail(ErrorCode::kNotWav);
}

// False at a clean end of the chunk list; a header cut short is a read past the end.
bool ReadChunkHeader(ByteSource& src, ChunkHeader& header) {
    uint8_t raw[kChunkHeaderSize];
    const size_t got = ReadUpTo(src, raw, kChunkHeaderSize);
    if (got == 0) return false;
    if (got != kChunkHeaderSize) Fail(ErrorCode::kReadPastEnd);
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
    if (!IsSupported(f.sampleFormat, f.bits)) Fail(ErrorCode::kUnsupportedFormat, f.sampleFormat, f.bits);
    const bool frameTooSmall = uint32_t{f.blockAlign} < uint32_t{f.channels} * f.SampleBytes();
    if (f.channels == 0 || f.blockAlign == 0 || frameTooSmall || f.sampleRate == 0 ||
        f.sampleRate > kMaxSampleRate)
        Fail(ErrorCode::kBadFormatChunk);
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
        if (size < kExtensibleFmtSize) Fail(ErrorCode::kBadFormatChunk);
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
    if (size < kMinFmtSize) Fail(ErrorCode::kBadFormatChunk);
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
            if (!format) Fail(ErrorCode::kNoFormatChunk);
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
    Fail(format ? ErrorCode::kNoDataChunk : ErrorCode::kNoFormatChunk);
}

// floor, so that the top byte of the result is the 8-bit level floor(x * 128) + 128 the pictures
// are drawn from.
int16_t FloatTo16Bit(double x) {
    if (std::isnan(x)) return 0;
    return static_cast<int16_t>(std::clamp(std::floor(x * 32768.0), -32768.0, 32767.0));
}

// Integer samples keep their top 16 bits (arithmetic shift for 24 and 32); 8-bit samples are
// unsigned with 128 as zero.
int16_t SampleTo16Bit(const uint8_t* p, const Format& f) {
    if (f.sampleFormat == kFormatFloat) {
        if (f.bits == 32) {
            float x;
            const uint32_t raw = U32(p);
            std::memcpy(&x, &raw, sizeof x);
            return FloatTo16Bit(x);
        }
        double x;
        const uint64_t raw = U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32);
        std::memcpy(&x, &raw, sizeof x);
        return FloatTo16Bit(x);
    }
    if (f.bits == 8) return static_cast<int16_t>((p[0] - 128) * 256);
    const uint32_t top = f.SampleBytes() - 1;
    return static_cast<int16_t>(static_cast<uint16_t>(p[top] << 8 | p[top - 1]));
}

void DecodeFrames(const uint8_t* bytes, size_t frames, Parsed& out) {
    const Format& f = out.format;
    // CheckFormat guarantees the stride holds a whole sample, also for padded containers.
    const size_t stride = f.blockAlign / f.channels;
    const size_t start = out.channels.front().size();
    for (size_t c = 0; c < out.channels.size(); ++c) {
        std::vector<int16_t>& channel = out.channels[c];
        channel.resize(start + frames);
        int16_t* dst = channel.data() + start;
        const uint8_t* src = bytes + c * stride;
        for (size_t i = 0; i < frames; ++i, src += f.blockAlign) dst[i] = SampleTo16Bit(src, f);
    }
}

// Samples (all channels) reserved ahead from the size the data chunk claims: enough for long
// recordings, and not more than a lying size field can make the reader take before the file
// proves it.
constexpr uint64_t kMaxReservedSamples = uint64_t{1} << 23;

// Decodes the whole frames of the `claimed` bytes and counts the bytes the data chunk really has,
// which may be fewer.
void ReadDataChunk(ByteSource& src, uint64_t claimed, Parsed& out) {
    const uint32_t align = out.format.blockAlign;
    std::vector<uint8_t> block(std::max<size_t>(1, kReadBlockBytes / align) * align);
    uint64_t remaining = claimed;
    // A size field alone may lie (files cut short say more than they hold); with the bytes that
    // are really there, a recording too long to hold is refused before it is read. Where the
    // source cannot tell, the count while reading stops it.
    if (const std::optional<uint64_t> rest = src.Remaining();
        rest && std::min(claimed, *rest) / align * out.format.channels >
                    static_cast<uint64_t>(kMaxRecordingSamples))
        Fail(ErrorCode::kTooLong);
    out.channels.assign(out.format.channels, {});
    const uint64_t reserve = std::min(kMaxReservedSamples / out.format.channels, remaining / align);
    for (std::vector<int16_t>& channel : out.channels) channel.reserve(reserve);
    while (remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(block.size(), remaining));
        const size_t got = ReadUpTo(src, block.data(), want);
        out.dataBytesPresent += got;
        remaining -= got;
        if (out.dataBytesPresent / align * out.format.channels >
            static_cast<uint64_t>(kMaxRecordingSamples))
            Fail(ErrorCode::kTooLong);
        DecodeFrames(block.data(), got / align, out);
        if (got < want) return;  // the file ends inside the data chunk
    }
}

void CountFrames(Parsed& out) {
    const uint64_t frames = out.dataBytesPresent / out.format.blockAlign;
    if (frames > kMaxFrameCount) Fail(ErrorCode::kIntegerOverflow);
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
    std::optional<uint64_t> Remaining() const override {
        const std::optional<uint64_t> rest = rest_.Remaining();
        if (!rest) return std::nullopt;
        return prefix_.size() - pos_ + *rest;
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
    if (error == ENOENT || error == ENOTDIR) Fail(ErrorCode::kFileNotFound);
    if (error == EACCES || error == EPERM) Fail(ErrorCode::kAccessDenied);
    Fail(ErrorCode::kIoError, error);
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
    // Non-blocking, so that opening a named pipe returns at once; it is refused below. Reads of a
    // regular file are not affected.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) FailOpen(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        ::close(fd_);
        FailOpen(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd_);
        Fail(ErrorCode::kNotRegularFile, S_ISDIR(info.st_mode) ? 1 : 0);
    }
    size_ = static_cast<uint64_t>(info.st_size);
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
        if (errno != EINTR) Fail(ErrorCode::kIoError, errno);
    }
}

// A regular file knows its size, so skipping is a seek that stops at the end, exactly as far
// as reading and discarding would get.
uint64_t FileSource::Skip(uint64_t n) {
    const uint64_t count = std::min(n, size_ > pos_ ? size_ - pos_ : 0);
    if (count == 0) return 0;
    if (::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) < 0) Fail(ErrorCode::kIoError, errno);
    pos_ += count;
    return count;
}

WavResult ReadWav(ByteSource& source) {
    WavResult result;
    try {
        Parsed parsed = Parse(source);
        result.info = Describe(parsed);
        result.recording.sampleRate = static_cast<int32_t>(parsed.format.sampleRate);
        result.recording.channels = std::move(parsed.channels);
        // A data chunk without a single byte still has the format's channels, each empty.
        result.recording.channels.resize(parsed.format.channels);
    } catch (const Failure& failure) {
        return WavResult{failure, {}, {}};
    } catch (const std::bad_alloc&) {
        // Within the limit, yet more than this machine gives: the same answer to the user.
        return WavResult{Failure(ErrorCode::kTooLong), {}, {}};
    }
    return result;
}

WavResult ReadWavFile(const std::string& path) {
    try {
        FileSource file(path);
        return ReadWav(file);
    } catch (const Failure& failure) {
        return WavResult{failure, {}, {}};
    }
}

bool CanOpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    const bool readable = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return readable;
}

}  // namespace pirolex
