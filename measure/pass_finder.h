#pragma once
// Every fly-by of a take: the recording is searched for passes, and each pass found is measured
// on its own stretch of the recording. A pass whose fit is refused is still listed, with its
// reason: the user heard it. The finder takes samples as they arrive, so a file and a microphone
// are the same stream; a file is that stream played to its end.
//
//   const PassSearch search = FindPasses(recording, 15.0);
//   for (const FlybyPass& pass : search.passes) ... pass.heardS, pass.speed.speedKmh ...
//   if (search.passes.empty()) ... search.noPassReason ...
//
//   PassFinder finder(48000, 15.0);
//   for (each chunk) for (const FlybyPass& pass : finder.Append(chunk)) ... report it ...
//   for (const FlybyPass& pass : finder.Finish()) ...

#include "auto_speed.h"
#include "recording.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pirolex {

struct FlybyPass {
    int number = 0;        // 1, 2, ... in the order the passes are heard
    // When the sound of the closest point reaches the microphone, s from the start of the take.
    double heardS = 0.0;
    // The measurement on the pass's own stretch; its times (closestTimeS, the track, the model)
    // are in seconds from the start of the take, not of the stretch.
    AutoSpeed speed;
    // How much of the stream had arrived when the pass was concluded, s from the start.
    double reportedS = 0.0;
};

struct PassSearch {
    std::vector<FlybyPass> passes;
    // Why there is no pass, when passes is empty.
    AutoSpeedRefusal noPassReason = AutoSpeedRefusal::kNoSamples;
};

class PassFinder {
public:
    PassFinder(int32_t sampleRate, double temperatureC,
               double maxSpeedKmh = kDefaultTopSpeedKmh);
    // The next samples of the stream (the channels mixed, or the one channel); returns the passes
    // that these samples concluded.
    std::vector<FlybyPass> Append(std::span<const int16_t> samples);
    // The stream has ended: the passes still open are concluded.
    std::vector<FlybyPass> Finish();
    // Why no pass was found so far.
    AutoSpeedRefusal NoPassReason() const { return noPassReason_; }

private:
    int32_t sampleRate_;
    double temperatureC_;
    double maxSpeedKmh_;
    std::vector<int16_t> samples_;
    int passesReported_ = 0;
    AutoSpeedRefusal noPassReason_ = AutoSpeedRefusal::kNoSamples;
};

// The whole recording through one PassFinder.
PassSearch FindPasses(const Recording& recording, double temperatureC,
                      double maxSpeedKmh = kDefaultTopSpeedKmh);

}  // namespace pirolex
