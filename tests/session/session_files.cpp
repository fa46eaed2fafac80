#include "session_files.h"

#include "wav_writer.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace pirolex::session {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& stem) {
    path_ = fs::temp_directory_path() / (stem + "_" + std::to_string(::getpid()));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

namespace {

// Deterministic noise in [-1, 1] for frame i of channel c.
double Noise(size_t i, int c) {
    uint64_t x = (static_cast<uint64_t>(i) << 1 | static_cast<uint64_t>(c)) * 0x9E3779B97F4A7C15ULL;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 32;
    return static_cast<double>(x % 20001) / 10000.0 - 1.0;
}

// A tone that falls smoothly around the middle of the recording, as an engine does when the
// aircraft passes, with one harmonic and a little noise; the second channel hears it later.
double FlybySample(size_t i, int c, uint32_t rate, size_t frames) {
    const double t = static_cast<double>(i) / rate - 0.0007 * c;
    const double mid = 0.5 * static_cast<double>(frames) / rate;
    const double tau = std::max(mid / 4.0, 1e-3);
    const double f0 = 0.12 * rate;
    const double df = 0.012 * rate;
    const double phase = 2.0 * M_PI * (f0 * t - df * tau * std::log(std::cosh((t - mid) / tau)));
    return 0.5 * std::sin(phase) + 0.15 * std::sin(2.0 * phase) + 0.05 * Noise(i, c);
}

// x in [-1, 1] as the value MakeWav takes for the format.
double ToFormat(double x, const testwav::Format& f) {
    if (f.isFloat) return x;
    if (f.bits == 8) return std::lround(128.0 + 127.0 * x);
    return std::lround(x * (std::ldexp(1.0, f.bits - 1) - 1.0));
}

template <class Fn>
std::vector<uint8_t> Wav(const testwav::Format& f, size_t frames, Fn fn) {
    return testwav::MakeWavFn(f, frames, [&](size_t i, int c) { return ToFormat(fn(i, c), f); });
}

std::vector<uint8_t> Flyby(const testwav::Format& f, size_t frames) {
    return Wav(f, frames, [&](size_t i, int c) { return FlybySample(i, c, f.rate, frames); });
}

testwav::Bytes RiffWave() {
    testwav::Bytes b;
    b.Tag("RIFF").U32(0).Tag("WAVE");
    return b;
}

// Longer than the sample store: 8-bit mono, written as raw bytes to stay quick.
std::vector<uint8_t> LongMono8(size_t frames) {
    std::vector<uint8_t> samples(frames);
    for (size_t i = 0; i < frames; ++i)
        samples[i] =
            static_cast<uint8_t>(std::lround(128.0 + 120.0 * FlybySample(i, 0, 8000, frames)));
    testwav::Bytes b = RiffWave();
    b.Chunk("fmt ", testwav::FmtBody({.bits = 8, .channels = 1, .rate = 8000}));
    b.Tag("data").U32(static_cast<uint32_t>(frames)).Raw(samples);
    return b.FixRiffSize().data;
}

// The data chunk claims more bytes than the file holds; the whole frames present load.
std::vector<uint8_t> TruncatedData(size_t claimed, size_t present) {
    const testwav::Format f{.bits = 16, .channels = 1, .rate = 11025};
    std::vector<testwav::Frame> frames(present, testwav::Frame(1));
    for (size_t i = 0; i < present; ++i)
        frames[i][0] = ToFormat(FlybySample(i, 0, f.rate, claimed), f);
    testwav::Bytes b = RiffWave();
    b.Chunk("fmt ", testwav::FmtBody(f));
    b.Tag("data").U32(static_cast<uint32_t>(claimed * 2)).Raw(testwav::DataBody(f, frames));
    return b.data;
}

// A LIST chunk of odd size with its pad byte before the format.
std::vector<uint8_t> OddListFirst(size_t frames) {
    const testwav::Format f{.bits = 8, .channels = 1, .rate = 8000};
    std::vector<testwav::Frame> data(frames, testwav::Frame(1));
    for (size_t i = 0; i < frames; ++i) data[i][0] = ToFormat(FlybySample(i, 0, f.rate, frames), f);
    testwav::Bytes b = RiffWave();
    b.Chunk("LIST", {'I', 'N', 'F'});
    b.Chunk("fmt ", testwav::FmtBody(f));
    b.Chunk("data", testwav::DataBody(f, data));
    return b.FixRiffSize().data;
}

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> FmtOnly() {
    testwav::Bytes b = RiffWave();
    b.Chunk("fmt ", testwav::FmtBody({.bits = 16, .channels = 2, .rate = 44100}));
    b.Chunk("LIST", {1, 2, 3, 4});
    return b.FixRiffSize().data;
}

std::vector<uint8_t> DataOnly() {
    testwav::Bytes b = RiffWave();
    b.Chunk("data", std::vector<uint8_t>(400, 0x80));
    return b.FixRiffSize().data;
}

std::vector<uint8_t> CutFormat() {
    testwav::Bytes b = RiffWave();
    b.Tag("fmt ").U32(16).Raw({1, 0, 1, 0, 0x40, 0x1F});
    return b.data;
}

std::vector<uint8_t> ShortFormat() {
    testwav::Bytes b = RiffWave();
    std::vector<uint8_t> body = testwav::FmtBody({.bits = 16, .channels = 1, .rate = 8000});
    body.resize(14);
    b.Chunk("fmt ", body);
    b.Chunk("data", std::vector<uint8_t>(64, 0));
    return b.FixRiffSize().data;
}

std::vector<uint8_t> ZeroBlockAlign() {
    testwav::Bytes b = RiffWave();
    std::vector<uint8_t> body = testwav::FmtBody({.bits = 16, .channels = 1, .rate = 8000});
    body[12] = body[13] = 0;
    b.Chunk("fmt ", body);
    b.Chunk("data", std::vector<uint8_t>(64, 0));
    return b.FixRiffSize().data;
}

// A chunk before the format that claims far more bytes than follow.
std::vector<uint8_t> HugeChunk() {
    testwav::Bytes b = RiffWave();
    b.Tag("LIST").U32(0x7FFFFFF0u).Raw({1, 2, 3, 4, 5, 6, 7, 8});
    return b.data;
}

struct Writer {
    const fs::path& folder;
    std::vector<WavCase>& cases;

    void Good(const std::string& name, const std::vector<uint8_t>& bytes, int32_t frames,
              int32_t rate, bool stereo) {
        Add({name, folder / name, WavKind::Good, frames, rate, stereo, {}}, bytes);
    }
    void Broken(const std::string& name, const std::vector<uint8_t>& bytes,
                const std::string& error) {
        Add({name, folder / name, WavKind::Broken, 0, 0, false, error}, bytes);
    }
    void Add(WavCase c, const std::vector<uint8_t>& bytes) {
        WriteFile(c.path, bytes);
        cases.push_back(std::move(c));
    }
    void GoodFlyby(const std::string& name, const testwav::Format& f, size_t frames) {
        Good(name, Flyby(f, frames), static_cast<int32_t>(frames), static_cast<int32_t>(f.rate),
             f.channels >= 2);
    }
};

void WriteGoodFiles(Writer& w) {
    w.GoodFlyby("flyby_s16.wav", {.bits = 16, .channels = 2, .rate = 22050}, 44100);
    w.GoodFlyby("flyby_m16.wav", {.bits = 16, .channels = 1, .rate = 8000}, 16000);
    w.GoodFlyby("flyby_m8.wav", {.bits = 8, .channels = 1, .rate = 11025}, 20000);
    w.GoodFlyby("flyby_s8.wav", {.bits = 8, .channels = 2, .rate = 8000}, 12000);
    w.GoodFlyby("flyby_s24.wav", {.bits = 24, .channels = 2, .rate = 48000}, 48000);
    w.GoodFlyby("flyby_s32.wav", {.bits = 32, .channels = 2, .rate = 44100}, 10000);
    w.GoodFlyby("flyby_f32.wav", {.bits = 32, .channels = 1, .rate = 16000, .isFloat = true},
                24000);
    w.GoodFlyby("flyby_f64.wav", {.bits = 64, .channels = 2, .rate = 8000, .isFloat = true}, 6000);
    w.GoodFlyby("flyby_ext.wav", {.bits = 16, .channels = 2, .rate = 44100, .extensible = true},
                30000);
    w.GoodFlyby("flyby_5ch.wav", {.bits = 16, .channels = 5, .rate = 8000}, 3000);
    w.GoodFlyby("rate_1hz.wav", {.bits = 16, .channels = 1, .rate = 1}, 4000);
    w.GoodFlyby("rate_max.wav", {.bits = 16, .channels = 2, .rate = 2147483647u}, 3000);
    // Around one block: N + 2 frames give no line, N + 3 give 250 identical ones.
    for (size_t n : {128, 1024}) {
        for (size_t extra : {2, 3}) {
            const std::string name = "block_" + std::to_string(n + extra) + ".wav";
            w.GoodFlyby(name, {.bits = 16, .channels = 2, .rate = 8000}, n + extra);
        }
    }
    w.GoodFlyby("tiny_300.wav", {.bits = 16, .channels = 1, .rate = 8000}, 300);
    w.GoodFlyby("one_frame.wav", {.bits = 16, .channels = 2, .rate = 8000}, 1);
    w.GoodFlyby("no_frames.wav", {.bits = 16, .channels = 2, .rate = 8000}, 0);
    const testwav::Format silent{.bits = 16, .channels = 2, .rate = 8000};
    w.Good("silent.wav", Wav(silent, 10000, [](size_t, int) { return 0.0; }), 10000, 8000, true);
    const testwav::Format dc{.bits = 16, .channels = 1, .rate = 8000};
    w.Good("constant.wav", Wav(dc, 5000, [](size_t, int) { return 0.4; }), 5000, 8000, false);
    const testwav::Format noise{.bits = 16, .channels = 2, .rate = 44100};
    w.Good("noise.wav", Wav(noise, 20000, [](size_t i, int c) { return Noise(i, c); }), 20000,
           44100, true);
    w.Good("long_m8.wav", LongMono8(720000), 720000, 8000, false);
    w.Good("cut_data.wav", TruncatedData(40000, 9000), 9000, 11025, false);
    w.Good("odd_list.wav", OddListFirst(7000), 7000, 8000, false);
}

void WriteBrokenFiles(Writer& w) {
    w.Broken("not_riff.wav", Text("Dies ist keine WAV-Datei, nur ein Text.\n"), "Keine WAV-Datei");
    w.Broken("empty.wav", {}, "Keine WAV-Datei");
    std::vector<uint8_t> head = Flyby({.bits = 16, .channels = 1, .rate = 8000}, 100);
    head.resize(10);
    w.Broken("cut_header.wav", head, "Keine WAV-Datei");
    w.Broken("cut_format.wav", CutFormat(), "Versuch hinter dem Dateiende zu lesen");
    w.Broken("short_format.wav", ShortFormat(), "Ungültiger Formatblock in der WAV-Datei");
    w.Broken("no_data.wav", FmtOnly(), "Kein Datenblock in der WAV-Datei");
    w.Broken("no_format.wav", DataOnly(), "Kein Formatblock in der WAV-Datei");
    w.Broken("adpcm.wav",
             testwav::MakeWav({.bits = 4, .channels = 1, .rate = 8000, .formatTagOverride = 2},
                              std::vector<testwav::Frame>(50, testwav::Frame{0})),
             "Nicht unterstütztes WAV-Format (Formatkennung 2, 4 Bit)");
    w.Broken("pcm12.wav",  // 12 bits in a 1-byte frame: no container holds the sample
             testwav::MakeWav({.bits = 12, .channels = 1, .rate = 8000, .blockAlign = 1},
                              std::vector<testwav::Frame>(50, testwav::Frame{0})),
             "Nicht unterstütztes WAV-Format (Formatkennung 1, 12 Bit)");
    w.Broken("zero_rate.wav",
             testwav::MakeWav({.bits = 16, .channels = 1, .rate = 0},
                              std::vector<testwav::Frame>(50, testwav::Frame{0})),
             "Ungültiger Formatblock in der WAV-Datei");
    w.Broken("zero_align.wav", ZeroBlockAlign(), "Ungültiger Formatblock in der WAV-Datei");
    w.Broken("huge_chunk.wav", HugeChunk(), "Versuch hinter dem Dateiende zu lesen");
}

// FLAC and MP3 made by the ffmpeg command from files of the set (their lengths come through
// exactly), and a minute of FLAC that takes long enough to decode that a load of it can be
// cancelled. Without ffmpeg the session loads WAV files only.
void WriteOtherFormats(Writer& w) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) return;
    const auto made = [&w](const std::string& input, const std::string& name, const char* codec) {
        const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + input +
                                    " -c:a " + codec + " '" + (w.folder / name).string() + "'";
        return std::system(command.c_str()) == 0;
    };
    const auto from = [&w](const std::string& wav) { return "-i '" + (w.folder / wav).string() + "'"; };
    const auto add = [&w](const std::string& name, WavKind kind, int32_t frames, int32_t rate,
                          bool stereo) {
        w.cases.push_back({name, w.folder / name, kind, frames, rate, stereo, {}});
    };
    if (made(from("flyby_s16.wav"), "flyby_s16.flac", "flac"))
        add("flyby_s16.flac", WavKind::Good, 44100, 22050, true);
    if (made(from("flyby_m16.wav"), "flyby_m16.mp3", "libmp3lame"))
        add("flyby_m16.mp3", WavKind::Good, 16000, 8000, false);
    if (made("-f lavfi -i sine=frequency=2000:sample_rate=22050:duration=60", "minute.flac", "flac"))
        add("minute.flac", WavKind::Long, 60 * 22050, 22050, false);
}

}  // namespace

std::vector<uint8_t> FlybyWav(int bits, int channels, uint32_t rate, size_t frames) {
    return Flyby({.bits = bits, .channels = channels, .rate = rate}, frames);
}

std::vector<WavCase> WriteSessionFiles(const fs::path& folder) {
    std::vector<WavCase> cases;
    Writer w{folder, cases};
    WriteGoodFiles(w);
    WriteBrokenFiles(w);
    WriteOtherFormats(w);
    cases.push_back({"missing.wav", folder / "missing.wav", WavKind::Unopenable, 0, 0, false, {}});
    fs::create_directories(folder / "folder.wav");
    cases.push_back({"folder.wav", folder / "folder.wav", WavKind::Unopenable, 0, 0, false, {}});
    return cases;
}

}  // namespace pirolex::session
