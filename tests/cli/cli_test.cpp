// The command line, called directly with its output captured.

#include "cli_run.h"
#include "cli.h"
#include "flyby.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace pirolex {
namespace {

using CliResult = clitest::CliRun;

// Only the commands cli.h has of its own: no drawing.
CliResult RunWith(std::vector<std::string> args) { return clitest::RunPirolex(std::move(args), {}); }

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(CommandLine, InfoPrintsTheStatusPanelsThenTheFormat) {
    std::vector<testwav::Frame> frames(220500, testwav::Frame{0, 0});
    const std::string path = testwav::WriteTempFile(
        testwav::MakeWav({.bits = 16, .channels = 2, .rate = 44100}, frames), "five-seconds.wav");
    const CliResult run = RunWith({"info", path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, path + "\n44100 Hz Samplerate\n220500 Samples\n 5.0 s\n"
                              "Kanäle: 2\nBits pro Sample: 16\nFormat: PCM\nGespeicherte Samples: 220500\n");
}

TEST(CommandLine, InfoNamesExtensibleFloatAndATruncatedDataChunk) {
    testwav::Bytes b;
    b.Raw(testwav::MakeWav({.bits = 32, .channels = 1, .rate = 8000, .isFloat = true, .extensible = true},
                           std::vector<testwav::Frame>(800, testwav::Frame{0.1})));
    b.PatchU32(12 + 8 + 40 + 4, 0xFFFFFFFF);
    const CliResult run = RunWith({"info", testwav::WriteTempFile(b.data, "stream.wav")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n800 Samples\n 0.1 s\nKanäle: 1\nBits pro Sample: 32\n"
                           "Format: IEEE-Float (WAVE_FORMAT_EXTENSIBLE, 32 gültige Bit)\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Datenblock unvollständig: 4294967295 Bytes"), std::string::npos) << run.out;
}

TEST(CommandLine, InfoFailuresPrintTheGermanReasonAndExitOne) {
    const std::vector<uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    // The name's ending picks the reader: the WAV reader's reasons stay as they were.
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/pirolex/missing.wav", "Datei nicht gefunden"},
        {"/nonexistent/pirolex/missing.m4a", "Datei nicht gefunden"},
        {testwav::WriteTempFile(midi, "song.WAV"), "Keine WAV-Datei"},
        {testwav::WriteTempFile(midi, "song.mid"),
         "Unbekanntes Dateiformat: weder eine Ton- noch eine Videodatei, die Pirolex lesen kann"},
    };
    for (const auto& [path, message] : cases) {
        const CliResult run = RunWith({"info", path});
        EXPECT_EQ(run.status, 1) << path;
        EXPECT_EQ(run.out, "") << path;
        EXPECT_EQ(run.err, message + "\n") << path;
    }
}

TEST(CommandLine, WindowArgumentsReturnMinusOne) {
    EXPECT_EQ(RunWith({}).status, -1);
    EXPECT_EQ(RunWith({"/some/recording.wav"}).status, -1);
    EXPECT_EQ(RunWith({"-"}).status, -1) << "a lone dash is a file name, not an option";
    // A name that begins with a dash: as it is where it exists, or after "--" in any case.
    const std::string dashed = "-window-" + std::to_string(::getpid()) + ".wav";
    std::FILE* file = std::fopen(dashed.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(RunWith({dashed}).status, -1);
    EXPECT_EQ(RunWith({"--", dashed}).status, -1);
    EXPECT_EQ(RunWith({"--", "-missing.wav"}).status, -1);
    std::remove(dashed.c_str());
    EXPECT_EQ(RunWith({dashed}).status, 2) << "gone, it is an unknown option again";

    std::string program = "pirolex", end = "--", name = dashed;
    char* argv[] = {program.data(), end.data(), name.data(), nullptr};
    int argc = 3;
    DropEndOfOptions(argc, argv);
    EXPECT_EQ(argc, 2);
    EXPECT_EQ(argv[1], dashed);
    EXPECT_EQ(argv[2], nullptr);
}

TEST(CommandLine, HelpExplainsTheCalls) {
    for (const char* option : {"--help", "-h"}) {
        const CliResult run = RunWith({option});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("pirolex info DATEI"), std::string::npos);
        EXPECT_EQ(run.err, "");
    }
}

TEST(CommandLine, MisuseGivesOneLineAndExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"info"}, {"info", "a.wav", "b.wav"}, {"--frobnicate"}, {"-x", "file.wav"},
        {"play", "file.wav"}, {"--help", "info"},
    };
    for (const auto& args : cases) {
        const CliResult run = RunWith(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_EQ(Lines(run.err), 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// --snap on a fly-by whose tones the geometry gives: clicked 20 Hz off, both markers land on
// the tones, the speed is the flight's; a click beside every tone gives no speed and exit 1.
TEST(CommandLine, MeasureSnapsToTheTonesOrRefuses) {
    flyby::Params p;
    p.speedKmh = 150;
    p.closestDistance = 8;
    const std::string path = testwav::WriteTempFile(flyby::MakeWav(p), "snap-150kmh.wav");
    const double a = flyby::ApproachFrequency(p), b = flyby::RecedeFrequency(p);
    const CliResult run = clitest::RunPirolex(
        {"measure", path, "--a", std::to_string(a + 20), "--b", std::to_string(b - 20), "--snap"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    double speed = 0, spread = 0, hzA = 0, hzB = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(),
                          "Geschwindigkeit: %lf km/h (±%lf km/h) \nMarke A: %lf Hz (±%*f Hz)\n"
                          "Marke B: %lf Hz (±%*f Hz)\n",
                          &speed, &spread, &hzA, &hzB),
              4)
        << run.out;
    EXPECT_EQ(Lines(run.out), 3) << run.out;
    EXPECT_NEAR(speed, 150, 1.5);
    EXPECT_LT(spread, 1.5);
    EXPECT_NEAR(hzA, a, 2.0);
    EXPECT_NEAR(hzB, b, 2.0);

    const CliResult none = clitest::RunPirolex(
        {"measure", path, "--a", "3000", "--b", std::to_string(b), "--snap"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "Marke A: kein Ton nahe 3000 Hz im Anflug (erste 15 % der Linien), keine "
                        "Geschwindigkeit\n");
}

// A pair the window would call doubtful is called so here too, in the window's words.
TEST(CommandLine, MeasureNamesADoubtfulPairAsTheWindowDoes) {
    flyby::Params p;
    p.speedKmh = 150;
    p.closestDistance = 8;
    const std::string path = testwav::WriteTempFile(flyby::MakeWav(p), "doubt-150kmh.wav");
    const double a = flyby::ApproachFrequency(p), b = flyby::RecedeFrequency(p);
    const CliResult run = clitest::RunPirolex(
        {"measure", path, "--a", std::to_string(2 * a), "--b", std::to_string(b)});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string first = run.out.substr(0, run.out.find('\n'));
    EXPECT_TRUE(first.starts_with("Geschwindigkeit: ")) << first;
    EXPECT_TRUE(first.ends_with(" km/h) – zweifelhaft: mehr als höchstens 450 km/h, B näher an 0.5×A als an A")) << first;
}

// --at-a/--at-b: clicks 2 s either side of a 75 km/h pass 15 m away find the tones still 6 % of
// the speed short of their far-off values; the speed owns up to that and lands within 3 %, the
// truth inside its "±". Swapped buttons give no speed; a moment without a tone names it and its
// line.
TEST(CommandLine, MeasureSnapsAtTheClickedMoments) {
    flyby::Params p;
    p.speedKmh = 75;
    p.closestDistance = 15;
    p.baseFrequency = 600;
    p.harmonics = {1.0, 0.3};
    const std::string path = testwav::WriteTempFile(flyby::MakeWav(p), "snap-at-75kmh.wav");
    const double passHeard = p.seconds / 2 + p.closestDistance / flyby::SoundSpeed(p.temperature);
    const auto at = [&](double offset) { return std::to_string(passHeard + offset); };
    const std::string a = std::to_string(flyby::ApproachFrequency(p) + 20);
    const std::string b = std::to_string(flyby::RecedeFrequency(p) - 20);
    const CliResult run = clitest::RunPirolex(
        {"measure", path, "--a", a, "--b", b, "--snap", "--at-a", at(-2), "--at-b", at(2)});
    ASSERT_EQ(run.status, 0) << run.err;
    double speed = 0, spread = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "Geschwindigkeit: %lf km/h (±%lf km/h) \n", &speed, &spread), 2)
        << run.out;
    EXPECT_LT(std::fabs(speed - p.speedKmh), 0.03 * p.speedKmh) << run.out;
    EXPECT_LE(std::fabs(speed - p.speedKmh), spread) << run.out;

    // The buttons swapped: A on the recede after the pass, B on the approach before it.
    const std::string swappedLine = "Geschwindigkeit: keine – zweifelhaft: A tiefer als B (Tasten vertauscht?)";
    for (const std::vector<std::string>& swapped :
         {std::vector<std::string>{"measure", path, "--a", b, "--b", a, "--snap", "--at-a", at(2), "--at-b", at(-2)},
          std::vector<std::string>{"measure", path, "--a", b, "--b", a}}) {
        const CliResult run = clitest::RunPirolex(swapped);
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_EQ(run.out.substr(0, run.out.find('\n')), swappedLine) << run.out;
    }

    const CliResult none = clitest::RunPirolex(
        {"measure", path, "--a", "3000", "--b", b, "--snap", "--at-a", "4", "--at-b", at(2)});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err.rfind("Marke A: kein Ton nahe 3000 Hz bei 4 s (Linie ", 0), 0u) << none.err;
    const CliResult late = clitest::RunPirolex(
        {"measure", path, "--a", a, "--b", b, "--snap", "--at-a", "3", "--at-b", "12.5"});
    EXPECT_EQ(late.status, 2);
    EXPECT_NE(late.err.find("--at-b 12.5: erlaubt sind 0 bis 12 Sekunden, die Länge von "), std::string::npos)
        << late.err;
}

}  // namespace
}  // namespace pirolex
