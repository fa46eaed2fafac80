#pragma once
// Test fixtures: WAV files built in memory, either as a whole canonical file from samples or
// byte by byte where the layout itself is under test. No Qt, no file system except
// WriteTempFile.
//
//   // A canonical 16-bit stereo file of two frames:
//   std::vector<uint8_t> wav = testwav::MakeWav({.bits = 16, .channels = 2, .rate = 44100},
//                                               {{0, 0x7FFF}, {-32768, -1}});
//
//   // A hand-made layout: header, odd LIST chunk with pad byte, fmt, data.
//   testwav::Bytes b;
//   b.Tag("RIFF").U32(0).Tag("WAVE");
//   b.Chunk("LIST", {1, 2, 3});           // odd size: a pad byte follows
//   b.Chunk("fmt ", testwav::FmtBody({.bits = 8, .channels = 1, .rate = 8000}));
//   b.Tag("data").U32(3).Raw({0, 128, 255});
//   b.FixRiffSize();
//   std::string path = testwav::WriteTempFile(b.data, "layout.wav");

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testwav {

inline constexpr uint16_t kTagPcm = 1;
inline constexpr uint16_t kTagFloat = 3;
inline constexpr uint16_t kTagExtensible = 0xFFFE;

// The format block of a file. Zero fields mean "derive the usual value": blockAlign =
// channels * containerBytes, containerBytes = ceil(bits / 8), byteRate = rate * blockAlign.
struct Format {
    int bits = 16;               // wBitsPerSample
    int channels = 1;
    uint32_t rate = 44100;
    bool isFloat = false;        // samples are IEEE float (32 or 64 bits)
    bool extensible = false;     // write a 40-byte WAVE_FORMAT_EXTENSIBLE block
    int validBits = 0;           // extensible only; 0 = bits
    int containerBytes = 0;      // bytes each channel's sample occupies in a frame
    int blockAlign = 0;
    int formatTagOverride = -1;  // >= 0: write this tag instead of the derived one
    int extraFmtBytes = -1;      // non-extensible: -1 = 16-byte block, n >= 0 = 18+n bytes with cbSize = n
};

// One frame: a value per channel. Integer formats take the signed sample value (8-bit: the
// unsigned stored byte 0..255); float formats take the value in [-1, 1] and beyond.
using Frame = std::vector<double>;

// Little-endian byte builder. Every method returns *this so calls chain.
struct Bytes {
    std::vector<uint8_t> data;

    Bytes& Tag(const char* fourcc);                   // exactly 4 characters
    Bytes& U8(uint8_t v);
    Bytes& U16(uint16_t v);
    Bytes& U32(uint32_t v);
    Bytes& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    Bytes& I24(int32_t v);                            // low 3 bytes of v
    Bytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    Bytes& F32(float v);
    Bytes& F64(double v);
    Bytes& Raw(const std::vector<uint8_t>& bytes);
    Bytes& Raw(std::initializer_list<uint8_t> bytes) { return Raw(std::vector<uint8_t>(bytes)); }
    Bytes& Zeros(size_t n);
    // tag, size = body.size(), body, and one zero pad byte when the size is odd.
    Bytes& Chunk(const char* fourcc, const std::vector<uint8_t>& body);
    // Writes data.size() - 8 into the RIFF size field at offset 4 (needs at least 8 bytes).
    Bytes& FixRiffSize();
    // Overwrites 4 bytes at offset with v, little-endian.
    Bytes& PatchU32(size_t offset, uint32_t v);
};

// The body of a "fmt " chunk for the format (16, 18+extra or 40 bytes).
std::vector<uint8_t> FmtBody(const Format& format);

// The bytes of all frames as they stand in the "data" chunk (containers zero-padded).
std::vector<uint8_t> DataBody(const Format& format, const std::vector<Frame>& frames);

// A canonical file: "RIFF" size "WAVE", "fmt ", "data" (with pad byte when odd).
std::vector<uint8_t> MakeWav(const Format& format, const std::vector<Frame>& frames);

// Same, with frameCount frames whose channel c holds value(frame, c); for large files.
template <class ValueFn>
std::vector<uint8_t> MakeWavFn(const Format& format, size_t frameCount, ValueFn value) {
    std::vector<Frame> frames(frameCount, Frame(format.channels));
    for (size_t i = 0; i < frameCount; ++i)
        for (int c = 0; c < format.channels; ++c) frames[i][c] = value(i, c);
    return MakeWav(format, frames);
}

// Writes bytes to a fresh file under the system temp folder (name made unique per process)
// and returns its path. The file is left behind for inspection; the OS cleans the folder.
std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& name);

}  // namespace testwav
