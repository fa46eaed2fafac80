#include "browser_take.h"

#include "growing_recording.h"
#include "line_producer.h"
#include "pass_records.h"
#include "messages.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace pirolex::web {

namespace {

// Up to this length `auto` searches a take with one finder and, where it found at most one pass,
// measures the take as a whole; FindPasses on such a take is exactly what `auto` reports.
constexpr double kWholeTakeSeconds = 120.0;

void PoolLine(const SpectrumLine& line, std::vector<uint8_t>& rows) {
    const size_t bins = line.amplitudes.size();
    for (int32_t column = 0; column < kPictureColumns; ++column) {
        const size_t from = bins * static_cast<size_t>(column) / kPictureColumns;
        const size_t to = std::max(from + 1, bins * static_cast<size_t>(column + 1) / kPictureColumns);
        double loudest = -1e9;
        for (size_t k = from; k < to && k < bins; ++k) loudest = std::max(loudest, line.amplitudes[k]);
        rows.push_back(LevelByte(loudest));
    }
}

void Number(std::string& out, double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, std::isfinite(value) ? value : 0.0).ptr;
    out.append(text, end);
}

void NumberArray(std::string& out, const std::vector<double>& values) {
    out += '[';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        Number(out, values[i]);
    }
    out += ']';
}

}  // namespace

uint8_t LevelByte(double levelDb) {
    if (!(levelDb > -127.5)) return 0;
    return static_cast<uint8_t>(std::lround(std::min(255.0, (levelDb + 127.5) * 2.0)));
}

BrowserTake::BrowserTake(int32_t sampleRate, int32_t channelCount, int32_t hop,
                         const TakeSettings& settings, bool keepTake)
    : settings_(settings), hop_(hop) {
    LiveStreamSettings stream;
    stream.temperatureC = settings.temperatureC;
    stream.maxSpeedKmh = settings.maxSpeedKmh;
    stream.keepTake = keepTake;
    stream.keptFrames = keepTake ? static_cast<int64_t>(kLiveKeptSeconds * sampleRate) : 0;
    stream.fftSize = kPictureFftSize;
    stream.hopFrames = hop;
    stream_ = std::make_unique<LiveStream>(sampleRate, channelCount, stream);
}

BrowserTake BrowserTake::FromRecording(Recording recording, const TakeSettings& settings) {
    const int64_t frames = recording.FrameCount();
    const auto hop = static_cast<int32_t>(std::max<int64_t>(kLiveHopFrames, (frames + kMostFileLines - 1) / kMostFileLines));
    BrowserTake take(std::max(1, recording.sampleRate), std::max(1, recording.ChannelCount()), hop, settings, false);
    take.recording_ = std::move(recording);
    return take;
}

BrowserTake BrowserTake::Listening(int32_t sampleRate, const TakeSettings& settings) {
    BrowserTake take(sampleRate, 1, kLiveHopFrames, settings, true);
    take.recording_.sampleRate = sampleRate;
    return take;
}

TakeStep BrowserTake::Feed(const SourceBlock& block) {
    TakeStep step;
    bool first = true;
    const StreamStep heard = stream_->Append(block, [&](const SpectrumLine& line) {
        if (first) step.firstLineFrame = line.firstFrame;
        first = false;
        PoolLine(line, step.rows);
    });
    step.peak = heard.peak;
    Keep(step, heard.passes);
    return step;
}

void BrowserTake::Keep(TakeStep& step, std::vector<FlybyPass> concluded) {
    for (FlybyPass& pass : concluded) {
        passes_.push_back(pass);
        step.passes.push_back(std::move(pass));
    }
    step.seconds = stream_->Seconds();
}

TakeStep BrowserTake::Search(int64_t maxFrames) {
    if (searched_) return {};
    const int64_t count = std::clamp<int64_t>(recording_.FrameCount() - searchedFrames_, 0, std::max<int64_t>(1, maxFrames));
    block_.channels.resize(recording_.channels.size());
    for (size_t c = 0; c < recording_.channels.size(); ++c) {
        const auto from = recording_.channels[c].begin() + searchedFrames_;
        block_.channels[c].assign(from, from + count);
    }
    TakeStep step = count > 0 ? Feed(block_) : TakeStep{};
    searchedFrames_ += count;
    if (searchedFrames_ < recording_.FrameCount()) return step;

    searched_ = true;
    Keep(step, stream_->Finish());
    if (recording_.Seconds() <= kWholeTakeSeconds && passes_.size() <= 1) {
        PassSearch whole = FindPasses(recording_, settings_.temperatureC, settings_.maxSpeedKmh);
        wholeReason_ = whole.noPassReason;
        // The page replaces what it listed by these.
        passes_ = whole.passes;
        step.passes = std::move(whole.passes);
    }
    return step;
}

double BrowserTake::Progress() const {
    const int64_t frames = recording_.FrameCount();
    return searched_ || frames == 0 ? 1.0 : static_cast<double>(searchedFrames_) / static_cast<double>(frames);
}

TakeStep BrowserTake::Hear(std::span<const int16_t> samples) {
    block_.channels.resize(1);
    block_.channels[0].assign(samples.begin(), samples.end());
    return Feed(block_);
}

TakeStep BrowserTake::Stop() {
    TakeStep step;
    Keep(step, stream_->Finish());
    recording_ = stream_->Take().Take();
    searched_ = true;
    return step;
}

AutoSpeedRefusal BrowserTake::NoPassReason() const {
    return wholeReason_ ? *wholeReason_ : stream_->NoPassReason();
}

std::vector<uint8_t> StretchRows(const Recording& recording, int64_t first, int64_t last, int32_t hop,
                                 int32_t fromBin, int32_t toBin) {
    std::vector<uint8_t> rows;
    first = std::clamp<int64_t>(first, 0, recording.FrameCount());
    last = std::clamp<int64_t>(last, first, recording.FrameCount());
    fromBin = std::clamp(fromBin, 0, kPictureFftSize / 2);
    toBin = std::clamp(toBin, fromBin, kPictureFftSize / 2);
    LineProducer lines(std::max(1, recording.ChannelCount()), kPictureFftSize, std::max(1, hop));
    std::vector<std::vector<int16_t>> block(recording.channels.size());
    for (size_t c = 0; c < block.size(); ++c)
        block[c].assign(recording.channels[c].begin() + first, recording.channels[c].begin() + last);
    lines.Append(block, [&](const SpectrumLine& line) {
        for (int32_t k = fromBin; k < toBin; ++k) rows.push_back(LevelByte(line.amplitudes[static_cast<size_t>(k)]));
    });
    return rows;
}

std::string PassJson(const FlybyPass& pass) {
    const AutoSpeed& s = pass.speed;
    std::string out = "{\"number\":";
    Number(out, pass.number);
    out += ",\"heardS\":";
    Number(out, pass.heardS);
    out += ",\"reportedS\":";
    Number(out, pass.reportedS);
    out += ",\"row\":" + texts::JsonString(texts::PassListRow(pass));
    if (s.Answered()) {
        out += ",\"kmh\":";
        Number(out, s.speedKmh);
        out += ",\"sigmaKmh\":";
        Number(out, s.sigmaKmh);
    } else {
        out += ",\"refused\":" + texts::JsonString(texts::RefusalText(s.refusal, s.topSpeedKmh));
    }
    out += ",\"details\":" + texts::JsonString(s.Answered() ? texts::AutoSpeedDetails(s) : std::string());
    out += ",\"trackS\":";
    NumberArray(out, s.track.times);
    out += ",\"trackHz\":";
    NumberArray(out, s.track.frequencies);
    out += ",\"fittedHz\":";
    NumberArray(out, s.fittedHz);
    out += '}';
    return out;
}

}  // namespace pirolex::web
