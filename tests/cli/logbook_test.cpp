// `pirolex auto` as a club's logbook: each record says at which temperature, when the recording
// was made, when in it the pass is heard and how it was measured; and the German spreadsheet's CSV
// reads back as such a spreadsheet reads it.

#include "cli_run.h"
#include "flyby.h"
#include "time_zone_fixture.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <utime.h>

namespace pirolex {
namespace {

clitest::CliRun Auto(std::vector<std::string> args) {
    args.insert(args.begin(), "auto");
    return clitest::RunPirolex(std::move(args), {});
}

std::vector<uint8_t> FlybyBytes() {
    flyby::Params p;
    p.speedKmh = 90.0;
    p.baseFrequency = 2500.0;
    p.closestDistance = 15.0;
    p.seconds = 8.0;
    return flyby::MakeWav(p);
}

// The fly-by with a recorder's INFO list after its sound.
std::string DatedFlyby() {
    std::vector<uint8_t> bytes = FlybyBytes();
    testwav::Bytes info;
    info.Tag("INFO").Chunk("ICRD", {'2', '0', '2', '4', '-', '0', '5', '-', '0', '1', ' ', '1', '0', ':', '2', '0', 0});
    testwav::Bytes wav;
    wav.data = std::move(bytes);
    wav.Chunk("LIST", info.data).FixRiffSize();
    return testwav::WriteTempFile(wav.data, "logbook-dated.wav");
}

// The text after "key": up to its closing quote, or the number up to the next comma.
std::optional<std::string> JsonValue(const std::string& line, const std::string& key) {
    const size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) return std::nullopt;
    size_t from = at + key.size() + 3;
    if (line[from] == '"') ++from;
    return line.substr(from, line.find_first_of("\",}", from) - from);
}

using UtcClock = testtz::InTimeZone<testtz::kUtc>;

TEST_F(UtcClock, EveryRecordSaysTemperatureDateMomentAndSource) {
    const std::string dated = DatedFlyby();
    const std::string undated = testwav::WriteTempFile(FlybyBytes(), "logbook-undated.wav");
    const utimbuf written{1714558830, 1714558830};
    ASSERT_EQ(utime(undated.c_str(), &written), 0);
    const clitest::CliRun run = Auto({"--json", "--temp", "12.5", dated, undated});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    const char* const recorded[] = {"2024-05-01T10:20", "2024-05-01T10:20:30+00:00"};
    for (const char* expected : recorded) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line)) << run.out;
        EXPECT_EQ(JsonValue(line, "temp_c"), "12.5") << line;
        EXPECT_EQ(JsonValue(line, "recorded"), expected) << line;
        EXPECT_EQ(JsonValue(line, "source"), "automatisch") << line;
        int minutes = -1;
        double seconds = -1.0;
        const std::string heard = JsonValue(line, "heard").value_or("");
        ASSERT_EQ(std::sscanf(heard.c_str(), "%d:%lf", &minutes, &seconds), 2) << line;
        EXPECT_NEAR(minutes * 60 + seconds, std::stod(*JsonValue(line, "heard_s")), 0.051) << line;
        // The keys a script already reads keep their places; the new ones come after them.
        EXPECT_LT(line.find("\"recede_hz\""), line.find("\"temp_c\"")) << line;
        EXPECT_LT(line.find("\"temp_c\""), line.find("\"recorded\"")) << line;
        EXPECT_LT(line.find("\"recorded\""), line.find("\"heard\"")) << line;
        EXPECT_LT(line.find("\"heard\""), line.find("\"source\"")) << line;
    }
}

TEST(Logbook, AContainersCreationTimeIsTheRecordingsDate) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg command is missing";
    const std::string wav = testwav::WriteTempFile(FlybyBytes(), "logbook-container.wav");
    const std::string m4a = wav.substr(0, wav.size() - 4) + ".m4a";
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + wav +
                                "' -c:a aac -metadata creation_time=2023-06-30T17:45:00Z '" + m4a + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const clitest::CliRun run = Auto({"--json", m4a});
    std::remove(m4a.c_str());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(JsonValue(run.out, "recorded"), "2023-06-30T17:45:00Z") << run.out;
}

// Fields between semicolons, a quoted field taking semicolons, newlines and doubled quotes as
// they are: what a spreadsheet's import does with a file it is told is separated by ";".
std::vector<std::vector<std::string>> ReadSemicolonCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
        else if (c == '"') quoted = !quoted;
        else if (quoted) field += c;
        else if (c == ';') rows.back().emplace_back();
        else if (c == '\n') rows.emplace_back(1);
        else field += c;
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

// A number as a German spreadsheet reads it: decimal comma, no point.
std::optional<double> GermanNumber(std::string text) {
    if (text.empty() || text.find('.') != std::string::npos) return std::nullopt;
    for (char& c : text)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0') return std::nullopt;
    return value;
}

TEST(Logbook, GermanCsvReadsBackWithSemicolonsAndDecimalCommas) {
    const std::string dated = DatedFlyby();
    const clitest::CliRun run = Auto({"--csv-de", "--temp", "12.5", dated});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.out.rfind("\xEF\xBB\xBF", 0), 0u) << "a byte-order mark first";
    const std::vector<std::vector<std::string>> rows = ReadSemicolonCsv(run.out.substr(3));
    ASSERT_EQ(rows.size(), 2u) << run.out;
    const std::vector<std::string> headings = {
        "Datei", "Vorbeiflug", "Gehört (s)", "Geschwindigkeit (km/h)", "Unsicherheit (km/h)", "Ton in Ruhe (Hz)",
        "Nächster Punkt (s)", "Abstand (m)", "Harmonische", "Anflug (Hz)", "Abflug (Hz)", "Keine Messung",
        "Temperatur (°C)", "Aufgenommen", "Gehört (min:s)", "Quelle"};
    EXPECT_EQ(rows[0], headings);
    const std::vector<std::string>& pass = rows[1];
    ASSERT_EQ(pass.size(), headings.size()) << run.out;
    EXPECT_EQ(pass[0], dated);
    EXPECT_EQ(GermanNumber(pass[1]), 1.0);
    ASSERT_TRUE(GermanNumber(pass[3])) << pass[3];
    EXPECT_NEAR(*GermanNumber(pass[3]), 90.0, 0.9);
    EXPECT_NEAR(*GermanNumber(pass[6]), 4.0, 0.2) << pass[6];
    EXPECT_EQ(GermanNumber(pass[12]), 12.5) << pass[12];
    EXPECT_EQ(pass[13], "2024-05-01T10:20");
    EXPECT_EQ(pass[14].find('.'), std::string::npos) << pass[14];
    EXPECT_EQ(pass[15], "automatisch");

    // The plain CSV stays as scripts know it.
    const clitest::CliRun plain = Auto({"--csv", dated});
    EXPECT_EQ(plain.out.rfind("file,pass,heard_s,kmh,sigma_kmh,", 0), 0u) << plain.out;
}

}  // namespace
}  // namespace pirolex
