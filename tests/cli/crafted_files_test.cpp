// Files that are not what their names say, read as `pirolex info` reads them: each is refused at
// once with a message that says what the file is, and nothing the file names is opened.

#include "cli_run.h"
#include "flyby.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace pirolex {
namespace {

namespace fs = std::filesystem;

const fs::path& Work() {
    static const testsupport::WorkFolder folder("pirolex_crafted_");
    return folder.Path();
}

fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path path = Work() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string BigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string LittleEndian(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char(v >> (8 * i));
    return out;
}

// A Sun AU file of 16-bit samples with the channel count given.
std::string AuFile(uint32_t channels) {
    const uint32_t frames = 100;
    return ".snd" + BigEndian32(24) + BigEndian32(frames * channels * 2) + BigEndian32(3) +
           BigEndian32(8000) + BigEndian32(channels) + std::string(frames * channels * 2, '\0');
}

// A WAV file whose format block names no channel at all.
std::string WavWithoutChannels() {
    std::string fmt = LittleEndian(1, 2) + LittleEndian(0, 2) + LittleEndian(8000, 4) +
                      LittleEndian(16000, 4) + LittleEndian(2, 2) + LittleEndian(16, 2);
    const std::string data(2000, '\0');
    const std::string body = "WAVEfmt " + LittleEndian(16, 4) + fmt + "data" +
                             LittleEndian(static_cast<uint32_t>(data.size()), 4) + data;
    return "RIFF" + LittleEndian(static_cast<uint32_t>(body.size()), 4) + body;
}

std::string Info(const fs::path& file) {
    const auto run = clitest::RunPirolex({"info", file.string()});
    EXPECT_EQ(run.status, 1) << file << run.out;
    EXPECT_EQ(run.out, "") << file;
    return run.err;
}

constexpr const char* kPlaylist =
    "Die Datei ist eine Wiedergabeliste, keine Tondatei: Pirolex öffnet keine Dateien oder "
    "Adressen, die darin genannt sind\n";

TEST(CraftedFiles, AreRefusedWithWhatTheyAre) {
    // A recording the playlists point at, which they must not reach.
    flyby::Params p;
    p.seconds = 1.0;
    const auto wav = flyby::MakeWav(p);
    const fs::path target = Write("target.wav", std::string(wav.begin(), wav.end()));
    const fs::path fifo = Work() / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path fifoMp3 = Work() / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifoMp3.c_str(), 0600), 0);
    const std::string dash =
        "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" "
        "profiles=\"urn:mpeg:dash:profile:isoff-live:2011\" type=\"static\" "
        "mediaPresentationDuration=\"PT1.0S\"><Period><AdaptationSet contentType=\"audio\">"
        "<Representation id=\"0\" mimeType=\"audio/mp4\" codecs=\"mp4a.40.2\" bandwidth=\"69000\">"
        "<SegmentTemplate initialization=\"file://" + target.string() + "\" media=\"http://127.0.0.1:9/"
        "$Number$.m4s\" duration=\"1\" startNumber=\"1\"/></Representation></AdaptationSet></Period></MPD>\n";
    const struct {
        const char* name;
        fs::path file;
        std::string message;
    } cases[] = {
        {"DASH manifest", Write("dash.mp3", dash), kPlaylist},
        {"HLS playlist", Write("hls.mp3", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nhttp://127.0.0.1:9/a.ts\n#EXT-X-ENDLIST\n"),
         kPlaylist},
        {"concatenation script", Write("concat.mp3", "ffconcat version 1.0\nfile " + target.string() + "\n"),
         kPlaylist},
        {"session description",
         Write("session.mp3", "v=0\r\nc=IN IP4 127.0.0.1\r\nm=audio 5004 RTP/AVP 0\r\n"),
         "Die Datei ist eine Sitzungsbeschreibung für einen Netzwerkstrom, keine Tondatei\n"},
        {"named pipe as WAV", fifo, "Keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Socket)\n"},
        {"named pipe as MP3", fifoMp3, "Keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Socket)\n"},
        {"device", "/dev/null", "Keine gewöhnliche Datei (ein Gerät, eine Pipe oder ein Socket)\n"},
        {"folder", Work(), "Ein Ordner, keine gewöhnliche Datei\n"},
        {"folder named .wav", (fs::create_directories(Work() / "dir.wav"), Work() / "dir.wav"),
         "Ein Ordner, keine gewöhnliche Datei\n"},
        {"64 channels", Write("many.au", AuFile(64)),
         "Tonspur mit 64 Kanälen bei 8000 Hz kann Pirolex nicht lesen (höchstens 32 Kanäle und "
         "768000 Hz)\n"},
        {"WAV body without channels", Write("nochannels.mp3", WavWithoutChannels()),
         "Tonspur mit 0 Kanälen bei 8000 Hz kann Pirolex nicht lesen (höchstens 32 Kanäle und "
         "768000 Hz)\n"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Info(c.file), c.message) << c.name;
        // Refused at once, never by a timeout: a pipe without a writer or a session that waits
        // for packets would hold the program for as long as they like.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
    }
}

// A name that begins with a dash is a file after "--", and also without it where the file exists.
TEST(CraftedFiles, NamesBeginningWithADash) {
    flyby::Params p;
    p.seconds = 1.0;
    const auto wav = flyby::MakeWav(p);
    const fs::path file = Write("-x.wav", std::string(wav.begin(), wav.end()));
    const fs::path png = Work() / "dash.png";
    const std::string name = file.string();
    const fs::path here = fs::current_path();
    fs::current_path(Work());
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"render", "--", "-x.wav", "-o", png.string()}, 2},  // after "--" "-o" is a file too
        {{"render", "-x.wav", "-o", png.string()}, 0},
        {{"render", "-o", png.string(), "--", "-x.wav"}, 0},
        {{"measure", "--a", "3000", "--b", "2900", "--", "-x.wav"}, 0},
        {{"auto", "--", "-x.wav"}, 0},
        {{"auto", "-x.wav", "--json"}, 0},
        {{"info", "--", "-x.wav"}, 0},
        {{"info", "-x.wav"}, 0},
        {{"render", "-y.wav", "-o", png.string()}, 2},  // no such file: an unknown option
    };
    for (const auto& c : cases) {
        const auto run = clitest::RunPirolex(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args[1] << ": " << run.err;
    }
    fs::current_path(here);
}

}  // namespace
}  // namespace pirolex
