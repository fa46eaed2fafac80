#include "fuzz_seeds.h"

#include "wav_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pirolex::fuzz {

namespace {

using testwav::Bytes;
using testwav::Format;

// A few hundred frames: enough for one 128-point block (a line needs N + 3 frames), small enough
// that the fuzzer's mutations stay cheap.
constexpr size_t kFrames = 300;
// One longer recording, so that the line step is above zero in every picture.
constexpr size_t kLongFrames = 2000;
// And one just under the fuzzer's length cap: its mutations reach line steps in the hundreds,
// which the small seeds never grow into.
constexpr size_t kCapFrames = 60000;
constexpr uint32_t kRate = 8000;

// A rising tone with a little noise, at 80 % of full scale; the right channel a fifth higher.
double Signal(size_t frame, int channel) {
    const double t = double(frame) / kRate;
    const double f0 = channel == 0 ? 600.0 : 900.0;
    const double tone = std::sin(2 * std::numbers::pi * (f0 + 400.0 * t) * t);
    const double noise = double((frame * 2654435761u + 977u * channel) % 1000) / 1000.0 - 0.5;
    return 0.8 * tone + 0.05 * noise;
}

// The value the writer expects for a sample of the format: the unsigned byte for 8 bits, the
// signed integer for wider PCM, the value itself for float.
double Scaled(const Format& f, double x) {
    if (f.isFloat) return x;
    if (f.bits == 8) return std::round(128.0 + 127.0 * x);
    return std::round(x * (std::ldexp(1.0, f.bits - 1) - 1));
}

std::vector<uint8_t> Recording(const Format& f, size_t frames = kFrames) {
    return testwav::MakeWavFn(f, frames, [&](size_t i, int c) { return Scaled(f, Signal(i, c)); });
}

std::vector<uint8_t> Data(const Format& f, size_t frames = kFrames) {
    std::vector<testwav::Frame> rows(frames, testwav::Frame(f.channels));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < f.channels; ++c) rows[i][c] = Scaled(f, Signal(i, c));
    return testwav::DataBody(f, rows);
}

Format Pcm(int bits, int channels) { return {.bits = bits, .channels = channels, .rate = kRate}; }

Format Float(int bits, int channels) {
    return {.bits = bits, .channels = channels, .rate = kRate, .isFloat = true};
}

void AddPlainFormats(std::vector<Seed>& seeds) {
    for (int channels : {1, 2}) {
        const std::string layout = channels == 1 ? "-mono" : "-stereo";
        for (int bits : {8, 16, 24, 32})
            seeds.push_back({"pcm" + std::to_string(bits) + layout, true, Recording(Pcm(bits, channels))});
        for (int bits : {32, 64})
            seeds.push_back({"float" + std::to_string(bits) + layout, true, Recording(Float(bits, channels))});
    }
    // Sizes between the bytes, read by their containers.
    seeds.push_back({"pcm12-mono", true, Recording(Pcm(12, 1))});
    seeds.push_back({"pcm20-stereo", true, Recording(Pcm(20, 2))});
    // A recorder stopped before it wrote its sizes: data size 0, the audio after it.
    std::vector<uint8_t> sizeless = Recording(Pcm(16, 1));
    std::fill(sizeless.begin() + 40, sizeless.begin() + 44, uint8_t{0});
    seeds.push_back({"pcm16-mono-data-size-0", true, sizeless});
    seeds.push_back({"pcm16-stereo-long", true, Recording(Pcm(16, 2), kLongFrames)});
    seeds.push_back({"pcm8-mono-at-length-cap", true, Recording(Pcm(8, 1), kCapFrames)});
}

void AddExtensible(std::vector<Seed>& seeds) {
    Format pcm = Pcm(24, 2);
    pcm.extensible = true;
    pcm.validBits = 20;
    seeds.push_back({"extensible-pcm24-valid20", true, Recording(pcm)});
    Format flt = Float(32, 1);
    flt.extensible = true;
    seeds.push_back({"extensible-float32", true, Recording(flt)});
    Format padded = Pcm(24, 2);
    padded.containerBytes = 4;
    seeds.push_back({"pcm24-in-32bit-container", true, Recording(padded)});
}

// Chunks around and between the two the reader needs, with odd sizes and their pad bytes.
void AddLayouts(std::vector<Seed>& seeds) {
    const Format f = Pcm(16, 1);
    Bytes odd;
    odd.Tag("RIFF").U32(0).Tag("WAVE").Chunk("junk", {1, 2, 3});
    Format oddFmt = f;
    oddFmt.extraFmtBytes = 3;
    odd.Chunk("fmt ", testwav::FmtBody(oddFmt)).Chunk("fact", {9}).Chunk("data", Data(f));
    seeds.push_back({"odd-chunks", true, odd.FixRiffSize().data});

    const std::string software = "pirolex seeds";
    Bytes info;
    info.Tag("INFO").Tag("ISFT").U32(uint32_t(software.size() + 1));
    info.Raw(std::vector<uint8_t>(software.begin(), software.end())).U8(0);
    Bytes list;
    list.Tag("RIFF").U32(0).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f));
    list.Chunk("LIST", info.data).Chunk("data", Data(f)).Chunk("LIST", info.data);
    seeds.push_back({"list-chunks", true, list.FixRiffSize().data});

    Bytes truncated;
    truncated.Tag("RIFF").U32(0).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f));
    truncated.Tag("data").U32(4 * kFrames).Raw(Data(f));
    seeds.push_back({"truncated-data", true, truncated.FixRiffSize().data});

    Bytes unbounded;
    unbounded.Tag("RIFF").U32(0xFFFFFFFF).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f));
    unbounded.Tag("data").U32(0xFFFFFFFF).Raw(Data(f));
    seeds.push_back({"data-size-ffffffff", true, unbounded.data});
}

std::vector<uint8_t> WithFormat(const Format& f) {
    Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f)).Chunk("data", Data(Pcm(16, 1)));
    return b.FixRiffSize().data;
}

void AddRejected(std::vector<Seed>& seeds) {
    const Format f = Pcm(16, 1);
    std::vector<uint8_t> notRiff = Recording(f);
    notRiff[3] = 'X';  // "RIFX": big-endian RIFF, which the reader does not take
    seeds.push_back({"reject-not-riff", false, notRiff});

    Bytes noFmt;
    noFmt.Tag("RIFF").U32(0).Tag("WAVE").Chunk("data", Data(f));
    seeds.push_back({"reject-no-fmt", false, noFmt.FixRiffSize().data});

    Bytes noData;
    noData.Tag("RIFF").U32(0).Tag("WAVE").Chunk("fmt ", testwav::FmtBody(f)).Chunk("LIST", {0, 0});
    seeds.push_back({"reject-no-data", false, noData.FixRiffSize().data});

    Format adpcm = Pcm(4, 1);
    adpcm.formatTagOverride = 2;
    seeds.push_back({"reject-unsupported-tag", false, WithFormat(adpcm)});
    Format pcm12InByte = Pcm(12, 1);
    pcm12InByte.blockAlign = 1;  // no container holds the sample
    seeds.push_back({"reject-pcm12-in-one-byte", false, WithFormat(pcm12InByte)});

    Format badAlign = Pcm(16, 2);
    badAlign.blockAlign = 3;
    seeds.push_back({"reject-bad-block-align", false, WithFormat(badAlign)});

    Format zeroRate = Pcm(16, 1);
    zeroRate.rate = 0;
    seeds.push_back({"reject-zero-rate", false, WithFormat(zeroRate)});

    Format shortExtensible = Pcm(16, 1);
    shortExtensible.formatTagOverride = testwav::kTagExtensible;
    seeds.push_back({"reject-short-extensible", false, WithFormat(shortExtensible)});

    std::vector<uint8_t> cut = Recording(f);
    cut.resize(30);  // inside the format chunk
    seeds.push_back({"reject-header-cut-short", false, cut});
}

}  // namespace

std::vector<Seed> FuzzSeeds() {
    std::vector<Seed> seeds;
    AddPlainFormats(seeds);
    AddExtensible(seeds);
    AddLayouts(seeds);
    AddRejected(seeds);
    return seeds;
}

}  // namespace pirolex::fuzz
