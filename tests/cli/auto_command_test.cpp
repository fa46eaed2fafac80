// `pirolex auto`: its output per file, its JSON and its exit statuses, through the command line.

#include "cli_run.h"
#include "auto_command.h"
#include "cli.h"
#include "flyby.h"
#include "messages.h"
#include "take.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace pirolex {
namespace {

using CliResult = clitest::CliRun;

CliResult RunAutoWith(std::vector<std::string> args) {
    args.insert(args.begin(), "auto");
    return clitest::RunPirolex(std::move(args), {});
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The number after "key": in a JSON line, or NaN when the key is missing.
double JsonNumberField(const std::string& line, const std::string& key) {
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return std::nan("");
    return std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

std::string FlybyFile(double kmh, const std::string& name) {
    flyby::Params p;
    p.speedKmh = kmh;
    p.baseFrequency = 2500.0;
    p.closestDistance = 15.0;
    p.seconds = 8.0;
    return testwav::WriteTempFile(flyby::MakeWav(p), name);
}

std::string NoiseFile() {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3000.0);
    return testwav::WriteTempFile(
        testwav::MakeWavFn({.bits = 16, .channels = 1, .rate = 22050}, 22050 * 6,
                           [&](size_t, int) { return std::clamp(noise(random), -32768.0, 32767.0); }),
        "noise-only.wav");
}

// A name is bytes: a line feed, a terminal's escape sequence and Latin-1 reach neither the
// terminal raw nor the JSON as invalid UTF-8.
TEST(AutoCommand, NamesThatAreNoPlainTextAreShownSafely) {
    const std::string odd = "/nonexistent/a\nb\x1b[2J caf\xe9.wav";
    EXPECT_EQ(RunAutoWith({odd}).err, "/nonexistent/a\\nb\\e[2J caf\\xe9.wav: Datei nicht gefunden\n");
    EXPECT_EQ(RunAutoWith({"--json", odd}).out,
              "{\"file\":\"/nonexistent/a\\nb\\u001b[2J caf\xEF\xBF\xBD.wav\",\"error\":\"Datei nicht gefunden\"}\n");
}

TEST(AutoCommand, JsonLinesInInputOrderAnswerRefuseAndReportTheUnreadable) {
    const std::string flyby = FlybyFile(90.0, "auto-90kmh.wav");
    const std::string noise = NoiseFile();
    const std::string missing = "/nonexistent/auto-missing.wav";
    const CliResult run = RunAutoWith({"--json", flyby, missing, noise, "--temp", "15"});
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;

    EXPECT_EQ(lines[0].rfind("{\"file\":\"" + flyby + "\",", 0), 0u) << lines[0];
    EXPECT_NEAR(JsonNumberField(lines[0], "kmh"), 90.0, 0.9) << lines[0];
    const double sigma = JsonNumberField(lines[0], "sigma_kmh");
    EXPECT_TRUE(sigma > 0.0 && sigma < 2.0) << lines[0];
    EXPECT_NEAR(JsonNumberField(lines[0], "f0_hz"), 2500.0, 25.0) << lines[0];
    EXPECT_NEAR(JsonNumberField(lines[0], "closest_s"), 4.0, 0.2) << lines[0];
    EXPECT_NEAR(JsonNumberField(lines[0], "distance_m"), 15.0, 3.0) << lines[0];
    EXPECT_EQ(JsonNumberField(lines[0], "harmonic"), 1.0) << lines[0];
    EXPECT_EQ(lines[0].find("refused"), std::string::npos);

    EXPECT_EQ(lines[1], "{\"file\":\"" + missing + "\",\"error\":\"Datei nicht gefunden\"}");
    EXPECT_EQ(run.err, missing + ": Datei nicht gefunden\n");

    EXPECT_NE(lines[2].find("\"refused\":\"keine Messung: "), std::string::npos) << lines[2];
    EXPECT_TRUE(std::isnan(JsonNumberField(lines[2], "kmh"))) << lines[2];
}

TEST(AutoCommand, TextShowsTheWindowsSpeedLineAndTheTemperatureMovesTheSpeed) {
    const std::string flyby = FlybyFile(150.0, "auto-150kmh.wav");
    const CliResult cold = RunAutoWith({flyby, "--temp", "-10.5"});
    const CliResult warm = RunAutoWith({"--temp", "35", flyby});
    ASSERT_EQ(cold.status, 0) << cold.err;
    ASSERT_EQ(warm.status, 0) << warm.err;
    const std::vector<std::string> lines = SplitLines(cold.out);
    ASSERT_EQ(lines.size(), 4u) << cold.out;
    EXPECT_EQ(lines[0], flyby);
    // The pass of the 8 s file is heard 15 m / c after the middle.
    EXPECT_EQ(lines[1], "Vorbeiflug 1 bei 0:04.0");
    EXPECT_TRUE(std::regex_match(
        lines[2], std::regex("Geschwindigkeit: +[0-9]+\\.[0-9]{2} km/h \\(± +[0-9]+\\.[0-9]{2} km/h\\) ")))
        << lines[2];
    EXPECT_NE(lines[3].find("Harmonische 1"), std::string::npos) << lines[3];
    // The same pitches mean a speed in proportion to the speed of sound, which grows with the
    // square root of the absolute temperature.
    const double kmhCold = std::strtod(lines[2].c_str() + 17, nullptr);
    const double kmhWarm = std::strtod(SplitLines(warm.out)[2].c_str() + 17, nullptr);
    EXPECT_NEAR(kmhWarm / kmhCold, std::sqrt((273.15 + 35.0) / (273.15 - 10.5)), 0.002);
}

// A fly-by faster than the top speed given is refused with the top speed in the reason; the
// default lets it through.
TEST(AutoCommand, RefusesAFlybyAboveTheTopSpeed) {
    const std::string flyby = FlybyFile(150.0, "auto-150kmh.wav");
    const CliResult slow = RunAutoWith({flyby, "--max-kmh", "140"});
    ASSERT_EQ(slow.status, 0) << slow.err;
    const std::vector<std::string> lines = SplitLines(slow.out);
    ASSERT_EQ(lines.size(), 3u) << slow.out;
    // Refused, the pass is where its level peaks.
    EXPECT_EQ(lines[1].rfind("Vorbeiflug 1 bei 0:04.", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "keine Messung: die Geschwindigkeit läge über der Höchstgeschwindigkeit von 140 km/h");
    const CliResult fast = RunAutoWith({flyby, "--max-kmh", "160", "--json"});
    EXPECT_NEAR(JsonNumberField(fast.out, "kmh"), 150.0, 1.5) << fast.out;
}

// The bundled sample's pass (120 km/h, 4350 Hz, 10 m, 10 s) after 45 s of quiet noise and before
// 15 s more, as M4A: the coder's artefacts in the quiet are no part of the pass.
TEST(AutoCommand, MeasuresAPassAfterALongQuietLeadInInM4a) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg command is missing";
    flyby::Params p;
    p.baseFrequency = 4350.0;
    p.seconds = 10.0;
    const std::vector<int16_t> pass = flyby::PcmChannels(p)[0];
    const size_t lead = 45 * 44100, tail = 15 * 44100;
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 100.0);
    const std::string wav = testwav::WriteTempFile(
        testwav::MakeWavFn({.bits = 16, .channels = 1, .rate = 44100}, lead + pass.size() + tail,
                           [&](size_t i, int) {
                               if (i >= lead && i < lead + pass.size()) return static_cast<double>(pass[i - lead]);
                               return std::clamp(noise(random), -32768.0, 32767.0);
                           }),
        "auto-lead-in.wav");
    const std::string m4a = wav.substr(0, wav.size() - 4) + ".m4a";
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + wav + "' -c:a aac -b:a 64k '" + m4a + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const CliResult run = RunAutoWith({m4a, "--json"});
    std::remove(m4a.c_str());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(JsonNumberField(run.out, "kmh"), 120.0, 1.2) << run.out;
    EXPECT_NEAR(JsonNumberField(run.out, "closest_s"), 50.0, 0.2) << run.out;
}

// A take of circuits: every pass under its number and time in the text, one row each in the CSV
// after one header for all files.
TEST(AutoCommand, EveryPassOfATakeInTextAndCsv) {
    const flyby::Take take = flyby::RandomTake({.seed = 4, .seconds = 110.0});
    const std::string path = testwav::WriteTempFile(flyby::TakeWav(take), "auto-take.wav");
    const CliResult text = RunAutoWith({path});
    ASSERT_EQ(text.status, 0) << text.err;
    std::vector<std::string> headings;
    for (const std::string& line : SplitLines(text.out))
        if (line.rfind("Vorbeiflug ", 0) == 0) headings.push_back(line);
    ASSERT_EQ(headings.size(), take.passes.size()) << text.out;
    for (size_t i = 0; i < take.passes.size(); ++i) {
        const double heard = *take.passes[i].passSeconds + take.passes[i].closestDistance / flyby::SoundSpeed(15.0);
        int minutes = 0;
        double seconds = 0.0;
        const std::string prefix = "Vorbeiflug " + std::to_string(i + 1) + " bei ";
        ASSERT_EQ(headings[i].rfind(prefix, 0), 0u) << headings[i];
        ASSERT_EQ(std::sscanf(headings[i].c_str() + prefix.size(), "%d:%lf", &minutes, &seconds), 2) << headings[i];
        EXPECT_EQ(headings[i].size(), prefix.size() + std::to_string(minutes).size() + 5) << "M:SS.s: " << headings[i];
        EXPECT_NEAR(minutes * 60 + seconds, heard, 0.2) << headings[i];
    }

    const CliResult csv = RunAutoWith({"--csv", path, FlybyFile(90.0, "auto-90kmh.wav")});
    ASSERT_EQ(csv.status, 0) << csv.err;
    const std::vector<std::string> rows = SplitLines(csv.out);
    ASSERT_EQ(rows.size(), 1 + take.passes.size() + 1) << csv.out;
    EXPECT_EQ(rows[0].rfind("file,pass,heard_s,kmh,", 0), 0u);
    for (size_t i = 0; i < take.passes.size(); ++i)
        EXPECT_EQ(rows[1 + i].rfind(path + "," + std::to_string(i + 1) + ",", 0), 0u) << rows[1 + i];
    EXPECT_NE(rows.back().find("auto-90kmh.wav,1,"), std::string::npos) << rows.back();
}

TEST(AutoCommand, BadArgumentsGiveOneLineNamingThemAndExitTwo) {
    const struct {
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {{}, "Datei"},
        {{"x.wav", "--temp"}, "--temp"},
        {{"x.wav", "--temp", "40.5"}, "40.5"},
        {{"x.wav", "--temp", "12,5"}, "12,5"},
        {{"x.wav", "--temp", "5", "--temp", "6"}, "doppelt"},
        {{"x.wav", "--fast"}, "--fast"},
        {{"x.wav", "--max-kmh"}, "--max-kmh"},
        {{"x.wav", "--max-kmh", "5"}, "5"},
        {{"x.wav", "--max-kmh", "fast"}, "fast"},
        {{"x.wav", "--csv", "--csv-de"}, "--csv-de"},
    };
    for (const auto& c : cases) {
        const CliResult run = RunAutoWith(c.args);
        EXPECT_EQ(run.status, 2) << c.named;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
}

TEST(AutoCommand, EveryRefusalHasItsOwnGermanSentence) {
    std::set<std::string> seen;
    for (int code = static_cast<int>(AutoSpeedRefusal::kNoSamples);
         code <= static_cast<int>(AutoSpeedRefusal::kBandMissing); ++code) {
        const std::string text = texts::RefusalText(static_cast<AutoSpeedRefusal>(code));
        EXPECT_EQ(text.rfind("keine Messung: ", 0), 0u) << code;
        EXPECT_GT(text.size(), 30u) << code;
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
}

}  // namespace
}  // namespace pirolex
