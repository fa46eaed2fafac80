#include "live_command.h"

#include "checked_save.h"
#include "cli.h"
#include "live_stream.h"
#include "live_texts.h"
#include "messages.h"
#include "option_parser.h"
#include "pass_records.h"
#include "recorded_date.h"
#include "recording_file.h"
#include "safe_text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cmath>
#include <ctime>
#include <optional>
#include <ostream>
#include <thread>

namespace pirolex {

namespace {


struct LiveRequest {
    std::optional<std::string> device;
    std::optional<std::string> file;
    double temperature = 15.0;
    double topSpeedKmh = kDefaultTopSpeedKmh;
    double speedup = 1.0;
    std::optional<double> seconds;
    std::optional<std::string> savePath;
    bool json = false;
    bool listDevices = false;
};

// How much faster than real time a file may be played, and how long a take may be asked for.
constexpr SettingRange kSpeedupRange{0.01, 10000.0};
constexpr SettingRange kTakeSecondsRange{0.1, 86400.0};

std::function<bool(const std::string&)> TextInto(std::optional<std::string>& target) {
    return [&target](const std::string& text) {
        target = text;
        return true;
    };
}

// Empty when the arguments were understood, else the one line that says why not.
std::string ParseLiveArgs(const std::vector<std::string>& args, LiveRequest& request) {
    double seconds = 0;
    const std::vector<CommandOption> options = {
        {"--device", "der Name eines Eingangs aus --list-devices", TextInto(request.device), "Namen"},
        {"--from", "eine Aufnahme", TextInto(request.file), "Dateinamen"},
        {"--speedup", AllowedNumbers(kSpeedupRange), NumberIn(kSpeedupRange, request.speedup),
         RangeText(kSpeedupRange)},
        {"--temp", AllowedNumbers(kTemperatureRange), NumberIn(kTemperatureRange, request.temperature),
         RangeText(kTemperatureRange)},
        {"--max-kmh", AllowedNumbers(kTopSpeedRange), NumberIn(kTopSpeedRange, request.topSpeedKmh),
         RangeText(kTopSpeedRange)},
        {"--seconds", "Sekunden von 0.1 bis 86400", NumberIn(kTakeSecondsRange, seconds), RangeText(kTakeSecondsRange)},
        {"--save", "ein Dateiname", TextInto(request.savePath), "Dateinamen"},
        {"--json", "", [&](const std::string&) { return request.json = true; }, {}, true},
        {"--list-devices", "", [&](const std::string&) { return request.listDevices = true; }, {}, true},
    };
    CommandArgs parsed;
    if (std::string problem = ParseCommandArgs(args, options, FileCount::kMany, parsed); !problem.empty())
        return problem;
    if (!parsed.files.empty())
        return "live erwartet keine Datei, eine Aufnahme spielt --from " + parsed.files.front() + " ab";
    if (parsed.seen.contains("--seconds")) request.seconds = seconds;
    if (request.device && request.file) return "--device und --from schließen einander aus";
    if (parsed.seen.contains("--speedup") && !request.file) return "--speedup gilt nur mit --from";
    if (request.listDevices && parsed.seen.size() > 1) return "--list-devices erwartet keine weiteren Argumente";
    return {};
}

class SteadyClock : public StreamClock {
public:
    double Now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    void SleepUntil(double seconds) override {
        const double wait = seconds - Now();
        if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
};

// A file is played through in real time (or K times faster): each block is handed on when its
// last frame would have been heard.
class PacedSource : public SampleSource {
public:
    PacedSource(Recording recording, StreamClock& clock, double speedup)
        : file_(std::move(recording)), clock_(clock), speedup_(speedup), start_(clock.Now()) {}
    int32_t SampleRate() const override { return file_.SampleRate(); }
    int32_t ChannelCount() const override { return file_.ChannelCount(); }
    SourceState Pull(int64_t maxFrames, SourceBlock& block) override {
        const SourceState state = file_.Pull(maxFrames, block);
        if (state == SourceState::kFrames && SampleRate() > 0)
            clock_.SleepUntil(start_ + static_cast<double>(file_.Position()) / SampleRate() / speedup_);
        return state;
    }

private:
    RecordingSource file_;
    StreamClock& clock_;
    double speedup_;
    double start_;
};

// Stops a source after a number of frames: `--seconds`.
class LimitedSource : public SampleSource {
public:
    LimitedSource(SampleSource& source, int64_t frames) : source_(source), left_(frames) {}
    int32_t SampleRate() const override { return source_.SampleRate(); }
    int32_t ChannelCount() const override { return source_.ChannelCount(); }
    SourceState Pull(int64_t maxFrames, SourceBlock& block) override {
        if (left_ <= 0) return SourceState::kEnded;
        const SourceState state = source_.Pull(std::min(maxFrames, left_), block);
        // A device may hand over more than it was asked for.
        if (block.FrameCount() > left_)
            for (std::vector<int16_t>& channel : block.channels) channel.resize(static_cast<size_t>(left_));
        left_ -= block.FrameCount();
        return state;
    }

private:
    SampleSource& source_;
    int64_t left_;
};

class PassPrinter {
public:
    PassPrinter(const LiveRequest& request, texts::TakeFacts take, std::ostream& out)
        : request_(request), take_(std::move(take)), out_(out) {}

    void Print(const FlybyPass& pass) {
        ++printed_;
        if (request_.json)
            out_ << FromSource(texts::PassJsonLine(Source(), pass, {.reportedS = true}, take_));
        else
            out_ << texts::LivePassLine(pass.number, pass.heardS, pass.speed) << '\n';
        // As it happens: a pipe or a file gets each line at once.
        out_.flush();
    }

    // A take that ended without a pass says why, as `auto` says it for a file.
    void NoPass(AutoSpeedRefusal reason) {
        if (printed_ > 0) return;
        if (request_.json)
            out_ << FromSource(texts::NoPassJsonLine(Source(), reason, request_.topSpeedKmh, take_));
        else
            out_ << texts::RefusalText(reason, request_.topSpeedKmh) << '\n';
        out_.flush();
    }

private:
    std::string Source() const { return request_.file ? *request_.file : request_.device.value_or(""); }

    // A microphone is no file: its records name the device instead.
    std::string FromSource(std::string line) const {
        static constexpr std::string_view kFileKey = "{\"file\":";
        if (!request_.file && line.starts_with(kFileKey)) line.replace(0, kFileKey.size(), "{\"device\":");
        return line;
    }

    const LiveRequest& request_;
    const texts::TakeFacts take_;
    std::ostream& out_;
    int printed_ = 0;
};

// Ctrl+C while listening ends the take as the end of a file does: the passes still open are
// measured and printed before the program ends.
volatile std::sig_atomic_t interrupted = 0;

class InterruptEndsTake {
public:
    InterruptEndsTake() : previous_(std::signal(SIGINT, [](int) { interrupted = 1; })) {}
    ~InterruptEndsTake() { std::signal(SIGINT, previous_); }

private:
    void (*previous_)(int);
};

// The stream from the first block to the end of the source; the passes printed as reported.
// Returns how the source ended.
SourceState Listen(SampleSource& source, PassPrinter& printer, LiveStream& stream) {
    interrupted = 0;
    for (;;) {
        const StreamStep step = stream.Pull(source);
        for (const FlybyPass& pass : step.passes) printer.Print(pass);
        if (step.state != SourceState::kFrames) return step.state;
        if (interrupted) return SourceState::kEnded;
    }
}

int ListDevices(InputDevices* devices, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> names = devices ? devices->Names() : std::vector<std::string>{};
    if (names.empty()) {
        err << texts::kNoMicrophone << '\n';
        return kStatusFailed;
    }
    for (const std::string& name : names) out << texts::TerminalSafe(name) << '\n';
    return kStatusOk;
}

// The device asked for, or the default; none (with the reason on err) when there is none.
std::unique_ptr<SampleSource> OpenDevice(InputDevices* devices, LiveRequest& request, std::ostream& err) {
    const std::vector<std::string> names = devices ? devices->Names() : std::vector<std::string>{};
    if (names.empty()) {
        err << texts::kNoMicrophone << '\n';
        return nullptr;
    }
    if (!request.device) request.device = names.front();
    if (std::find(names.begin(), names.end(), *request.device) == names.end()) {
        err << texts::InputNotFoundText(*request.device) << '\n';
        return nullptr;
    }
    std::unique_ptr<SampleSource> source = devices->Open(*request.device);
    if (!source) err << texts::kNoMicrophone << '\n';
    return source;
}

}  // namespace

StreamClock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

int RunLive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const LiveSetup& setup) {
    LiveRequest request;
    if (std::string problem = ParseLiveArgs(args, request); !problem.empty()) {
        err << "pirolex live: " << problem << kUsageHint << '\n';
        return kStatusUsage;
    }
    if (request.listDevices) return ListDevices(setup.devices, out, err);

    // Refused before listening, not after a take of half an hour.
    if (request.file && request.savePath && SameFile(*request.file, *request.savePath)) {
        err << texts::TakeNotSavedText(*request.savePath, texts::ErrorText(Failure(ErrorCode::kOutputIsInput)))
            << '\n';
        return kStatusFailed;
    }
    std::unique_ptr<SampleSource> source;
    // A file played through was recorded when it says; a take from a device is being recorded now.
    texts::TakeFacts take{.temperatureC = request.temperature, .recorded = LocalIsoTime(std::time(nullptr))};
    if (request.file) {
        RecordingFile file = ReadRecordingFile(*request.file, setup.decoder);
        take.recorded = file.recorded;
        if (!file.Ok()) {
            err << texts::ErrorText(*file.error) << '\n';
            return kStatusFailed;
        }
        source = std::make_unique<PacedSource>(std::move(file.recording), setup.clock ? *setup.clock : SystemClock(),
                                               request.speedup);
    } else {
        source = OpenDevice(setup.devices, request, err);
        if (!source) return kStatusFailed;
    }
    const int32_t rate = source->SampleRate();
    std::optional<LimitedSource> limited;
    if (request.seconds)
        limited.emplace(*source, static_cast<int64_t>(std::llround(*request.seconds * rate)));
    SampleSource& heard = limited ? static_cast<SampleSource&>(*limited) : *source;

    LiveStreamSettings settings;
    settings.temperatureC = request.temperature;
    settings.maxSpeedKmh = request.topSpeedKmh;
    settings.keepTake = request.savePath.has_value();
    settings.keptFrames = request.file ? 0 : static_cast<int64_t>(kLiveKeptSeconds * rate);
    settings.makeLines = false;
    settings.blockFrames = std::max<int64_t>(1, rate / 10);
    LiveStream stream(rate, source->ChannelCount(), settings);
    PassPrinter printer(request, take, out);
    std::optional<InterruptEndsTake> interrupt;
    if (!request.file) interrupt.emplace();
    const SourceState end = Listen(heard, printer, stream);
    for (const FlybyPass& pass : stream.Finish()) printer.Print(pass);
    printer.NoPass(stream.NoPassReason());
    int status = kStatusOk;
    if (end == SourceState::kLost) {
        err << texts::InputLostText(stream.Seconds()) << '\n';
        status = kStatusFailed;
    }
    // Also, and above all, after the device went away: what was heard is kept.
    if (request.savePath) {
        std::vector<std::string> inputs;
        if (request.file) inputs.push_back(*request.file);
        if (const std::optional<Failure> failure = stream.Take().SaveWav(*request.savePath, inputs)) {
            err << texts::TakeNotSavedText(*request.savePath, texts::ErrorText(*failure)) << '\n';
            status = kStatusFailed;
        }
    }
    return status;
}

}  // namespace pirolex
