// What the page's worker calls: open a WAV file through the core's reader (read piece by piece
// from the browser's file, so only the recording itself takes memory), or samples the browser
// decoded; search it; listen; and the texts the window makes of the result (the list's rows, the
// CSV `pirolex auto --csv` writes, the take as WAV).

#include "browser_take.h"
#include "growing_recording.h"
#include "messages.h"
#include "pass_records.h"
#include "recorded_date.h"
#include "wav_reader.h"

#include <emscripten.h>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

using namespace emscripten;

namespace pirolex::web {
namespace {

// Reads bytes [offset, offset + n) of the worker's current file (self.pirolexFile) into dst;
// returns how many there were.
EM_JS(int, ReadFileBytes, (double offset, uint8_t* dst, int n), {
    const file = self.pirolexFile;
    const end = Math.min(file.size, offset + n);
    if (end <= offset) return 0;
    const bytes = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(offset, end)));
    HEAPU8.set(bytes, dst);
    return bytes.length;
});
EM_JS(double, FileSize, (), { return self.pirolexFile.size; });

// The browser's file as the reader's byte source.
class BrowserFileSource : public ByteSource {
public:
    BrowserFileSource() : size_(static_cast<uint64_t>(FileSize())) {}
    size_t Read(uint8_t* dst, size_t n) override {
        constexpr size_t kMostAtOnce = size_t{1} << 24;
        const auto got = static_cast<size_t>(ReadFileBytes(static_cast<double>(pos_), dst, static_cast<int>(std::min(n, kMostAtOnce))));
        pos_ += got;
        return got;
    }
    uint64_t Skip(uint64_t n) override {
        const uint64_t skipped = std::min(n, size_ - pos_);
        pos_ += skipped;
        return skipped;
    }
    std::optional<uint64_t> Remaining() const override { return size_ - pos_; }

private:
    uint64_t size_;
    uint64_t pos_ = 0;
};

std::unique_ptr<BrowserTake> take;
Recording opened;
std::string lastFailure;
// When the take was recorded, for the list's records (ISO 8601; empty when unknown).
std::string recorded;

val StepValue(const TakeStep& step) {
    val out = val::object();
    std::string passes = "[";
    for (size_t i = 0; i < step.passes.size(); ++i) passes += (i ? "," : "") + PassJson(step.passes[i]);
    out.set("passes", passes + "]");
    val rows = val::global("Uint8Array").new_(step.rows.size());
    rows.call<void>("set", val(typed_memory_view(step.rows.size(), step.rows.data())));
    out.set("rows", rows);
    out.set("firstLineFrame", static_cast<double>(step.firstLineFrame));
    out.set("seconds", step.seconds);
    out.set("peak", step.peak);
    return out;
}

// The WAV file the worker was given: true when read; else lastFailure says why, as the window
// says it. Its date is the one it states, else fileDate (when the file was last written).
bool OpenWav(const std::string& fileDate) {
    take.reset();
    BrowserFileSource source;
    WavResult result = ReadWav(source);
    if (!result.Ok()) {
        lastFailure = texts::ErrorText(*result.error);
        return false;
    }
    opened = std::move(result.recording);
    BrowserFileSource again;
    std::optional<std::string> stated;
    try {
        stated = WavRecordedDate(again);
    } catch (const Failure&) {
        // A date that cannot be read is no date.
    }
    recorded = stated ? *stated : fileDate;
    return true;
}

// A WAV file's bytes already in the page's hands (the tests hand them over so).
bool OpenWavBytes(const std::string& bytes) {
    take.reset();
    recorded.clear();
    MemorySource source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    WavResult result = ReadWav(source);
    if (!result.Ok()) {
        lastFailure = texts::ErrorText(*result.error);
        return false;
    }
    opened = std::move(result.recording);
    return true;
}

// Room for decoded samples: the page fills each channel through ChannelSamples.
void OpenSamples(int sampleRate, int channels, double frames, const std::string& fileDate) {
    take.reset();
    recorded = fileDate;
    opened = Recording{};
    opened.sampleRate = sampleRate;
    opened.channels.assign(static_cast<size_t>(channels), std::vector<int16_t>(static_cast<size_t>(frames)));
}

val ChannelSamples(int channel) {
    std::vector<int16_t>& samples = opened.channels.at(static_cast<size_t>(channel));
    return val(typed_memory_view(samples.size(), samples.data()));
}

val RecordingFormat() {
    const Recording& recording = take ? take->Take() : opened;
    val out = val::object();
    out.set("sampleRate", recording.sampleRate);
    out.set("channels", recording.ChannelCount());
    out.set("frames", static_cast<double>(recording.FrameCount()));
    return out;
}

void StartSearch(double temperatureC, double maxSpeedKmh) {
    take = std::make_unique<BrowserTake>(BrowserTake::FromRecording(std::move(opened), {temperatureC, maxSpeedKmh}));
    opened = Recording{};
}

// The take searched again with other settings (the temperature, the top speed); false when
// there is none.
bool ResearchTake(double temperatureC, double maxSpeedKmh) {
    if (!take || !take->Searched()) return false;
    take = std::make_unique<BrowserTake>(BrowserTake::FromRecording(take->Take(), {temperatureC, maxSpeedKmh}));
    return true;
}

val SearchStep(double maxFrames) { return StepValue(take->Search(static_cast<int64_t>(maxFrames))); }
bool Searched() { return take && take->Searched(); }
double Progress() { return take ? take->Progress() : 0.0; }
int LineHop() { return take ? take->LineHop() : 0; }

void StartListening(int sampleRate, double temperatureC, double maxSpeedKmh, const std::string& startDate) {
    recorded = startDate;
    take = std::make_unique<BrowserTake>(BrowserTake::Listening(sampleRate, {temperatureC, maxSpeedKmh}));
}

// The page's samples for Hear are written into this buffer first.
std::vector<int16_t> heard;
val HeardBuffer(int frames) {
    heard.resize(static_cast<size_t>(frames));
    return val(typed_memory_view(heard.size(), heard.data()));
}
val Hear() { return StepValue(take->Hear(heard)); }
val StopListening() { return StepValue(take->Stop()); }

std::string AllPasses() {
    std::string out = "[";
    if (take)
        for (size_t i = 0; i < take->Passes().size(); ++i) out += (i ? "," : "") + PassJson(take->Passes()[i]);
    return out + "]";
}

std::string NoPassText() {
    return take ? texts::RefusalText(take->NoPassReason(), take->TopSpeedKmh()) : std::string();
}

// The list as `pirolex auto --csv` writes it for this file.
std::string PassCsv(const std::string& file) {
    std::string out = texts::PassCsvHeader({});
    if (!take) return out;
    const texts::TakeFacts facts{.temperatureC = take->TemperatureC(), .recorded = recorded};
    if (take->Passes().empty()) out += texts::NoPassCsvRow(file, take->NoPassReason(), take->TopSpeedKmh(), {}, facts);
    for (const FlybyPass& pass : take->Passes()) out += texts::PassCsvRow(file, pass, {}, facts);
    return out;
}

// The take as a 16-bit WAV file, written by the core's writer into the module's memory file
// system and handed over as bytes.
val TakeWav() {
    if (!take) return val::null();
    const char* path = "/take.wav";
    if (SaveWav(take->Take(), path)) return val::null();
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(path);
    val out = val::global("Uint8Array").new_(bytes.size());
    out.call<void>("set", val(typed_memory_view(bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()))));
    return out;
}

val PassRows(double first, double last, int hop, int fromBin, int toBin) {
    if (!take) return val::null();
    const std::vector<uint8_t> rows = StretchRows(take->Take(), static_cast<int64_t>(first), static_cast<int64_t>(last), hop, fromBin, toBin);
    val out = val::global("Uint8Array").new_(rows.size());
    out.call<void>("set", val(typed_memory_view(rows.size(), rows.data())));
    return out;
}

std::string LastFailure() { return lastFailure; }

}  // namespace
}  // namespace pirolex::web

EMSCRIPTEN_BINDINGS(pirolex) {
    using namespace pirolex::web;
    constant("pictureColumns", kPictureColumns);
    constant("pictureFftSize", kPictureFftSize);
    function("openWav", &OpenWav);
    function("openWavBytes", &OpenWavBytes);
    function("openSamples", &OpenSamples);
    function("channelSamples", &ChannelSamples);
    function("recordingFormat", &RecordingFormat);
    function("lastFailure", &LastFailure);
    function("startSearch", &StartSearch);
    function("researchTake", &ResearchTake);
    function("searchStep", &SearchStep);
    function("searched", &Searched);
    function("progress", &Progress);
    function("lineHop", &LineHop);
    function("startListening", &StartListening);
    function("heardBuffer", &HeardBuffer);
    function("hear", &Hear);
    function("stopListening", &StopListening);
    function("allPasses", &AllPasses);
    function("noPassText", &NoPassText);
    function("passCsv", &PassCsv);
    function("takeWav", &TakeWav);
    function("passRows", &PassRows);
}
