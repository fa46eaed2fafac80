#pragma once
// The take the page works on, inside the worker: a recording opened from a file (searched as
// `pirolex auto` searches it, a block at a time so the page can show how far it got) or the
// microphone's stream heard as it comes (as `pirolex live` hears it). Either way the core's
// LiveStream makes the picture's lines and finds the passes; the page gets them as values.
//
//   BrowserTake take = BrowserTake::FromRecording(std::move(recording), {.temperatureC = 15});
//   while (!take.Searched()) { TakeStep step = take.Search(48000); ... step.passes ... }
//
//   BrowserTake live = BrowserTake::Listening(48000, settings);
//   TakeStep step = live.Hear(samples);  ... step.passes, step.rows ...
//   live.Stop();  // from here on an ordinary recording

#include "live_stream.h"
#include "pass_finder.h"
#include "recording.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pirolex::web {

struct TakeSettings {
    double temperatureC = 15.0;
    double maxSpeedKmh = kDefaultTopSpeedKmh;
};

// The picture's rows: every line's levels pooled into kPictureColumns columns from 0 Hz to half
// the sample rate, each the loudest bin's level quantised to a byte (see LevelByte).
inline constexpr int32_t kPictureColumns = 512;
inline constexpr int32_t kPictureFftSize = 4096;
// A file's picture holds at most this many lines, however long the file: its lines are spread
// over the whole take. The microphone's picture has a line every kLiveHopFrames.
inline constexpr int64_t kMostFileLines = 6000;
inline constexpr int32_t kLiveHopFrames = 1024;

// A level in dB of full scale as a byte: half-decibel steps from -127.5 dB (0) to 0 dB (255).
uint8_t LevelByte(double levelDb);

struct TakeStep {
    std::vector<FlybyPass> passes;  // concluded by this step
    std::vector<uint8_t> rows;      // lines completed by this step, kPictureColumns bytes each
    int64_t firstLineFrame = 0;     // the stream frame the first of these lines starts at
    double seconds = 0.0;           // stream time heard so far
    int16_t peak = 0;               // the loudest sample's magnitude in this step
};

class BrowserTake {
public:
    static BrowserTake FromRecording(Recording recording, const TakeSettings& settings);
    static BrowserTake Listening(int32_t sampleRate, const TakeSettings& settings);

    // A file: the next at most maxFrames frames searched. Once the last is, the passes still open
    // and, for a short take, the measurement of the whole take as `auto` makes it.
    TakeStep Search(int64_t maxFrames);
    bool Searched() const { return searched_; }
    double Progress() const;

    // The microphone: the next mono samples.
    TakeStep Hear(std::span<const int16_t> samples);
    // Listening has stopped: the passes still open; the take is a recording from here on.
    TakeStep Stop();

    const Recording& Take() const { return recording_; }
    // Every pass so far, in order, and why there is none.
    const std::vector<FlybyPass>& Passes() const { return passes_; }
    AutoSpeedRefusal NoPassReason() const;
    int32_t LineHop() const { return hop_; }
    double TopSpeedKmh() const { return settings_.maxSpeedKmh; }
    double TemperatureC() const { return settings_.temperatureC; }

private:
    BrowserTake(int32_t sampleRate, int32_t channelCount, int32_t hop, const TakeSettings& settings,
                bool keepTake);
    TakeStep Feed(const SourceBlock& block);
    void Keep(TakeStep& step, std::vector<FlybyPass> concluded);

    TakeSettings settings_;
    int32_t hop_;
    Recording recording_;
    std::unique_ptr<LiveStream> stream_;
    int64_t searchedFrames_ = 0;
    bool searched_ = false;
    std::vector<FlybyPass> passes_;
    std::optional<AutoSpeedRefusal> wholeReason_;
    SourceBlock block_;
};

// Lines of a stretch of the recording at full resolution, for a chosen pass: lines of
// kPictureFftSize frames every hop frames from frame first up to frame last, each the levels of
// bins [fromBin, toBin) as bytes (LevelByte).
std::vector<uint8_t> StretchRows(const Recording& recording, int64_t first, int64_t last, int32_t hop,
                                 int32_t fromBin, int32_t toBin);

// A pass as the page shows and keeps it: JSON with the list's row and its numbers, the tone's
// track and the fitted curve.
std::string PassJson(const FlybyPass& pass);

}  // namespace pirolex::web
