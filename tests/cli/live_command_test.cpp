// `pirolex live`: a file played through the stream prints what `auto` measures, paced by a clock
// that never sleeps; no device, a device that vanishes, and arguments not understood.
#include "audio_decoder.h"
#include "cli.h"
#include "flyby.h"
#include "live_command.h"
#include "live_texts.h"
#include "take_in_chunks.h"
#include "wav_reader.h"
#include "wav_writer.h"
#include "work_folder.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace pirolex {
namespace {

// Jumps to every moment it is asked to wait for.
class JumpingClock : public StreamClock {
public:
    double Now() override { return now_; }
    void SleepUntil(double seconds) override {
        if (seconds < now_ - 1e-9) wentBack_ = true;
        now_ = std::max(now_, seconds);
    }
    bool WentBack() const { return wentBack_; }

private:
    double now_ = 1000.0;
    bool wentBack_ = false;
};

class FakeInputs : public InputDevices {
public:
    FakeInputs(std::vector<std::string> names, Recording take, testsupport::ChunkPlan plan)
        : names_(std::move(names)), take_(std::move(take)), plan_(std::move(plan)) {}
    std::vector<std::string> Names() override { return names_; }
    std::unique_ptr<SampleSource> Open(const std::string& name) override {
        opened = name;
        return std::make_unique<testsupport::TakeInChunks>(take_, plan_);
    }
    std::string opened;

private:
    std::vector<std::string> names_;
    Recording take_;
    testsupport::ChunkPlan plan_;
};

flyby::Params Flight() {
    flyby::Params p;
    p.speedKmh = 110;
    p.baseFrequency = 2200;
    p.sampleRate = 48000;
    p.seconds = 12;
    return p;
}

Recording FlightRecording() {
    Recording r;
    r.sampleRate = Flight().sampleRate;
    r.channels = flyby::PcmChannels(Flight());
    return r;
}

struct LiveRun {
    int status;
    std::string out, err;
};

LiveRun Live(std::vector<std::string> args, InputDevices* inputs, StreamClock* clock = nullptr) {
    std::ostringstream out, err;
    const int status = RunLive(args, out, err, {inputs, clock, &DecodeFile});
    return {status, out.str(), err.str()};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The number after "key": in a JSON line.
double Field(const std::string& line, const std::string& key) {
    const size_t at = line.find("\"" + key + "\":");
    return at == std::string::npos ? std::nan("") : std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

TEST(LiveCommand, AFilePlayedThroughPrintsWhatAutoMeasures) {
    const std::string path = testwav::WriteTempFile(flyby::MakeWav(Flight()), "live_flight.wav");
    const std::vector<std::string> autoLines = Lines(clitest::RunPirolex({"auto", path}).out);
    // The file's name, the pass's heading, its speed line and its details.
    ASSERT_EQ(autoLines.size(), 4u);
    const std::string autoJson = clitest::RunPirolex({"auto", path, "--json"}).out;

    JumpingClock clock;
    const LiveRun text = Live({"--from", path, "--speedup", "20"}, nullptr, &clock);
    EXPECT_EQ(text.status, 0) << text.err;
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 1u) << text.out;
    // One line: auto's heading, then the speed line and the details of the pass's own stretch.
    EXPECT_EQ(autoLines[1], "Vorbeiflug 1 bei 0:06.0");
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(autoLines[1] + ": Geschwindigkeit: +[0-9.]+ km/h \\(± +[0-9.]+ "
                                                      "km/h\\), Ton f0: .* Hz \\(Harmonische 1\\), .* m")))
        << lines[0];
    // Twenty times real time: 12 s of stream in 0.6 s of the clock, which was waited for block by
    // block, never backwards.
    EXPECT_NEAR(clock.Now(), 1000.0 + 12.0 / 20, 1e-6);
    EXPECT_FALSE(clock.WentBack());

    const LiveRun json = Live({"--from", path, "--json", "--speedup", "20"}, nullptr, &clock);
    EXPECT_EQ(json.status, 0);
    ASSERT_EQ(Lines(json.out).size(), 1u) << json.out;
    EXPECT_EQ(json.out.rfind("{\"file\":\"" + path + "\",\"pass\":1,", 0), 0u) << json.out;
    EXPECT_NEAR(Field(json.out, "kmh"), Field(autoJson, "kmh"), Field(autoJson, "sigma_kmh"));
    EXPECT_NEAR(Field(json.out, "heard_s"), Field(autoJson, "heard_s"), 0.1);
    // Reported within 3 s of stream time after it was heard.
    EXPECT_LE(Field(json.out, "reported_s") - Field(json.out, "heard_s"), 3.0);
}

TEST(LiveCommand, WithoutAMicrophone) {
    FakeInputs none({}, FlightRecording(), {});
    FakeInputs two({"Eingebautes Mikrofon", "USB Mic"}, FlightRecording(), {});
    const struct {
        std::vector<std::string> args;
        InputDevices* inputs;
        int status;
        std::string out, err;
    } cases[] = {
        {{}, nullptr, 1, "", "Kein Mikrofon gefunden\n"},
        {{"--json"}, &none, 1, "", "Kein Mikrofon gefunden\n"},
        {{"--list-devices"}, &none, 1, "", "Kein Mikrofon gefunden\n"},
        {{"--list-devices"}, &two, 0, "Eingebautes Mikrofon\nUSB Mic\n", ""},
        {{"--device", "Headset"}, &two, 1, "", "Eingang „Headset“ nicht gefunden\n"},
    };
    for (const auto& c : cases) {
        const LiveRun run = Live(c.args, c.inputs);
        EXPECT_EQ(run.status, c.status) << c.args.size();
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
    }
}

TEST(LiveCommand, ListensOnTheChosenDeviceForTheSecondsAsked) {
    FakeInputs two({"Eingebautes Mikrofon", "USB Mic"}, FlightRecording(),
                   {.chunks = {960, 4096}, .vanishAtFrame = std::nullopt});
    // Four seconds end before the pass: the take gives its reason.
    const LiveRun run = Live({"--device", "USB Mic", "--seconds", "4", "--json"}, &two);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(two.opened, "USB Mic");
    // A take from a device was recorded now: a clock time with its offset from UTC.
    EXPECT_TRUE(std::regex_match(run.out, std::regex("\\{\"device\":\"USB Mic\",\"refused\":\"keine Messung: [^\"]+\","
                                                     "\"temp_c\":15,\"recorded\":\"20\\d\\d-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d"
                                                     "[+-]\\d\\d:\\d\\d\",\"source\":\"automatisch\"\\}\n")))
        << run.out;
}

TEST(LiveCommand, AVanishingDeviceStopsWithAMessage) {
    static const testsupport::WorkFolder folder("pirolex_live_");
    const Recording take = FlightRecording();
    FakeInputs unplugged({"USB Mic"}, take, {.chunks = {4800}, .vanishAtFrame = 48000 * 9});
    const std::string saved = (folder.Path() / "take.wav").string();
    const LiveRun run = Live({"--save", saved}, &unplugged);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(unplugged.opened, "USB Mic");
    EXPECT_EQ(run.err, "Der Eingang ist nicht mehr verfügbar: Aufnahme nach 9.0 s beendet, das Aufgenommene bleibt\n");
    // What was heard until then is still measured and printed, and kept.
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
    const WavResult kept = ReadWavFile(saved);
    ASSERT_TRUE(kept.Ok());
    ASSERT_EQ(kept.recording.FrameCount(), 48000 * 9);
    EXPECT_TRUE(std::equal(kept.recording.channels[0].begin(), kept.recording.channels[0].end(),
                           take.channels[0].begin()));
}

// A take cut to a second must not replace the file it was played from, by its name or a link;
// nor does a take replace a write-protected file.
TEST(LiveCommand, TheTakeNeverReplacesItsSourceNorAProtectedFile) {
    static const testsupport::WorkFolder folder("pirolex_live_save_");
    const std::string source = (folder.Path() / "source.wav").string();
    const std::vector<uint8_t> bytes = flyby::MakeWav(Flight());
    std::ofstream(source, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const std::string link = (folder.Path() / "link.wav").string();
    std::filesystem::create_symlink(source, link);
    const std::string kept = (folder.Path() / "kept.wav").string();
    std::ofstream(kept) << "kept";
    std::filesystem::permissions(kept, std::filesystem::perms::owner_read);
    const struct {
        std::string save, reason;
    } cases[] = {
        {source, "Die Ausgabe wäre die gelesene Datei selbst: Pirolex überschreibt nicht, was es liest"},
        {link, "Die Ausgabe wäre die gelesene Datei selbst: Pirolex überschreibt nicht, was es liest"},
        {kept, "Datei ist schreibgeschützt"},
    };
    for (const auto& c : cases) {
        JumpingClock clock;
        const LiveRun run = Live({"--from", source, "--seconds", "1", "--save", c.save}, nullptr, &clock);
        EXPECT_EQ(run.status, 1) << c.save;
        EXPECT_EQ(run.err, "Aufnahme nicht gespeichert: " + c.save + " (" + c.reason + ")\n");
        EXPECT_EQ(std::filesystem::file_size(source), bytes.size());
    }
    std::ifstream in(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
}

// "höchstens" takes the window's range, 10 to 2000 km/h, in every command, and names it beyond.
TEST(LiveCommand, TopSpeedTakesTheWindowsRangeInEveryCommand) {
    const std::string missing = "/nonexistent/pirolex/take.wav";
    const struct {
        const char* kmh;
        int status;  // 1: understood, then the file is missing; 2: refused
    } cases[] = {{"10", 1}, {"1500", 1}, {"2000", 1}, {"9.5", 2}, {"2000.5", 2}};
    for (const auto& c : cases) {
        const clitest::CliRun automatic = clitest::RunPirolex({"auto", missing, "--max-kmh", c.kmh}, {});
        JumpingClock clock;
        const LiveRun live = Live({"--from", missing, "--max-kmh", c.kmh}, nullptr, &clock);
        for (const auto& [status, err] : {std::pair{automatic.status, automatic.err}, std::pair{live.status, live.err}}) {
            EXPECT_EQ(status, c.status) << c.kmh << ": " << err;
            if (c.status == 2) {
                EXPECT_NE(err.find("Zahlen von 10 bis 2000"), std::string::npos) << err;
            }
        }
    }
}

TEST(LiveCommand, ArgumentsNotUnderstood) {
    const std::vector<std::vector<std::string>> cases = {
        {"--speedup", "10"},                   // only with --from
        {"--from", "a.wav", "--device", "x"},  // one or the other
        {"--temp", "41"},
        {"--seconds", "0"},
        {"--from"},
        {"--list-devices", "--json"},
        {"--loud"},
        {"--save"},
    };
    for (const auto& args : cases) {
        const LiveRun run = Live(args, nullptr);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_EQ(run.err.rfind("pirolex live: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
}  // namespace pirolex
