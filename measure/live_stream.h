#pragma once
// A take as it is heard: a sample source pulled block by block into a growing recording, the
// rolling picture's lines made as their blocks complete, and the pass finder fed with every
// block, so each pass is reported as soon as the finder concludes it. A file and a microphone
// are the same stream; a file is that stream played to its end. No thread of its own and no Qt:
// the caller pulls (the command on its main thread, the window on a worker).
//
//   LiveStream stream(source.SampleRate(), source.ChannelCount(), {.temperatureC = 15});
//   for (;;) {
//       StreamStep step = stream.Pull(source, onLine);
//       for (const FlybyPass& pass : step.passes) Report(pass);
//       if (step.state != SourceState::kFrames) break;
//   }
//   for (const FlybyPass& pass : stream.Finish()) Report(pass);

#include "growing_recording.h"
#include "line_producer.h"
#include "pass_finder.h"
#include "sample_source.h"

#include <cstdint>
#include <vector>

namespace pirolex {

struct LiveStreamSettings {
    double temperatureC = 15.0;
    double maxSpeedKmh = kDefaultTopSpeedKmh;
    // Whether the take is kept at all (the command keeps it only to save it), and how many of its
    // newest frames, 0 for all: live input keeps kLiveKeptSeconds.
    bool keepTake = true;
    int64_t keptFrames = 0;
    // The rolling picture's lines: a block of fftSize frames every hopFrames frames.
    int32_t fftSize = 4096;
    int32_t hopFrames = 1024;
    // Whether lines are made at all: the command draws none.
    bool makeLines = true;
    // The most frames one pull asks for: a tenth of a second at 48 kHz, short against the time a
    // pass may take to be reported.
    int64_t blockFrames = 4800;
};

struct StreamStep {
    SourceState state = SourceState::kEnded;
    int64_t frames = 0;               // frames this pull brought
    std::vector<FlybyPass> passes;    // the passes they concluded
    int16_t peak = 0;                 // the loudest sample's magnitude among them (a level meter)
};

class LiveStream {
public:
    LiveStream(int32_t sampleRate, int32_t channelCount, const LiveStreamSettings& settings = {});

    // One block from the source: appended to the recording, its completed lines to onLine (may
    // be empty), its samples to the finder.
    StreamStep Pull(SampleSource& source, const LineHandler& onLine = {});
    // The same for a block the caller already holds.
    StreamStep Append(const SourceBlock& block, const LineHandler& onLine = {});
    // The stream is over: the passes the finder still held open.
    std::vector<FlybyPass> Finish();

    int32_t SampleRate() const { return sampleRate_; }
    // Stream time so far, s.
    double Seconds() const;
    // Why no pass was found so far (for a take that ends without one).
    AutoSpeedRefusal NoPassReason() const { return finder_.NoPassReason(); }
    const GrowingRecording& Take() const { return recording_; }
    GrowingRecording& Take() { return recording_; }
    const LineProducer& Lines() const { return lines_; }

private:
    void Stamp(std::vector<FlybyPass>& passes) const;

    int32_t sampleRate_;
    LiveStreamSettings settings_;
    GrowingRecording recording_;
    LineProducer lines_;
    PassFinder finder_;
    SourceBlock block_;
    int64_t framesHeard_ = 0;
};

}  // namespace pirolex
