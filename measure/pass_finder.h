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
//
// How a pass is found: the engine is loudest where it passes, so the search listens for the
// moments when the level of the tones in the recording (tonal peaks well above each frame's
// noise floor, whatever their pitch) peaks and stands out of what came before. Each such moment
// is measured roughly for when its pass is heard, then as EstimateSpeed measures a whole
// recording, on the stretch from kLeadSeconds before that to kTailSeconds after it, so it is
// reported that long after it is heard. A moment
// whose fit is refused is listed only when its tone's pitch falls across it; a steady tone, wind
// and voices give no pass.

#include "auto_speed.h"
#include "recording.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pirolex {

// How a pass's speed was found: by the pass finder, or by the user's two clicks taken over as
// the pass's measurement.
enum class PassSource { kAutomatic, kTwoClicks };

struct FlybyPass {
    int number = 0;        // 1, 2, ... in the order the passes are heard
    // When the sound of the closest point reaches the microphone, s from the start of the take.
    double heardS = 0.0;
    // The measurement on the pass's own stretch; its times (closestTimeS, the track, the model)
    // are in seconds from the start of the take, not of the stretch.
    AutoSpeed speed;
    // How much of the stream had arrived when the pass was concluded, s from the start.
    double reportedS = 0.0;
    PassSource source = PassSource::kAutomatic;
    // A speed the user measured by two clicks on this pass where the automatic fit refused it,
    // taken as the pass's measurement: the speed, its "±" and the two clicked tones.
    struct Clicked {
        double kmh = 0.0;
        double resolutionKmh = 0.0;
        double hzA = 0.0;
        double hzB = 0.0;
    };
    std::optional<Clicked> clicked;
};

// Takes two clicks' speed as the pass's measurement; only for a pass the automatic fit refused
// (an answer of its own stays) and a speed above 0 km/h. Returns whether it was taken.
bool TakeClickedSpeed(FlybyPass& pass, const FlybyPass::Clicked& clicked);

struct PassSearch {
    std::vector<FlybyPass> passes;
    // Why there is no pass, when passes is empty.
    AutoSpeedRefusal noPassReason = AutoSpeedRefusal::kNoSamples;
};

class PassFinder {
public:
    // The stretch a pass is measured on, around the moment its level peaks.
    static constexpr double kLeadSeconds = 12.0;
    static constexpr double kTailSeconds = 2.6;

    PassFinder(int32_t sampleRate, double temperatureC,
               double maxSpeedKmh = kDefaultTopSpeedKmh, int32_t channelCount = 1);
    // The next samples of the stream (the channels mixed, or the one channel); returns the passes
    // that these samples concluded.
    std::vector<FlybyPass> Append(std::span<const int16_t> samples);
    // The next frames, one span per channel, all of the same length: measured with all channels,
    // as EstimateSpeed measures a recording, and searched with their powers summed as it does.
    std::vector<FlybyPass> Append(std::span<const std::span<const int16_t>> channels);
    // The stream has ended: the passes still open are concluded.
    std::vector<FlybyPass> Finish();
    // A pass already measured on a longer stretch (a short recording measured whole): the moment
    // that peaks where it is heard is concluded as that pass, without measuring it again.
    void ExpectPass(FlybyPass pass) { expected_ = std::move(pass); }
    // Why no pass was found so far.
    AutoSpeedRefusal NoPassReason() const { return noPassReason_; }

private:
    void Listen(std::vector<FlybyPass>& concluded, bool ended);
    // Listen's stages: the levels the new samples complete, smoothed; whether a moment stands out
    // as a pass's; when its pass is heard; its measurement; the report; what may be forgotten.
    void HearLevels();
    void SmoothLevels(bool ended);
    std::optional<float> StandsOut(int64_t frame) const;
    double WhenHeard(int64_t centre) const;
    bool LoudAsItsDistance(const AutoSpeed& speed, double heard) const;
    std::optional<FlybyPass> Measure(int64_t end, double centreS, float standOut);
    void Report(FlybyPass pass, std::vector<FlybyPass>& concluded);
    void Forget();
    int64_t Frames(double seconds) const;  // analysis frames
    float Smoothed(int64_t frame) const;
    int64_t SmoothEnd() const;
    void Conclude(int64_t frame, std::vector<FlybyPass>& concluded);
    Recording Stretch(int64_t first, int64_t last) const;
    void AllowForSlowRpmSwings(AutoSpeed& speed, int64_t end) const;

    int32_t sampleRate_;
    double temperatureC_;
    double maxSpeedKmh_;
    int32_t frameLength_;
    int32_t hop_;
    // The samples still needed, per channel, from stream frame keptFrom_ on.
    std::vector<std::vector<int16_t>> kept_;
    int64_t keptFrom_ = 0;
    int64_t streamFrames_ = 0;
    // The tonal level of each analysis frame (dB), from analysis frame levelFrom_ on.
    std::deque<float> level_;
    std::deque<float> strongest_;  // the bin of each frame's strongest tone, 0 when none
    std::deque<float> smooth_;  // the same averaged over half a second, where that is known
    int64_t levelFrom_ = 0;
    int64_t tonalFrames_ = 0;  // frames in which a tone was heard at all
    int64_t nextCandidate_ = 0;  // the first analysis frame not yet judged as a candidate
    // When nextCandidate_ may be a pass: the stream frame up to which it is measured, and how far
    // its level stood out.
    std::optional<int64_t> due_;
    float standOutDb_ = 0.0f;
    double lastPassS_ = -1e9;    // when the last pass listed was heard
    std::optional<FlybyPass> expected_;
    int passesReported_ = 0;
    AutoSpeedRefusal noPassReason_ = AutoSpeedRefusal::kNoSamples;
};

// What a caller watching a search is told and may ask, each from any of the search's threads.
struct PassSearchWatch {
    // Asked between two blocks: true ends the search with what it has found so far.
    std::function<bool()> cancelled;
    // The share of the recording heard so far, 0..1.
    std::function<void(double fraction)> progress;
    // A pass as soon as it is concluded, its times the take's, not yet numbered; the search's
    // result may still measure it anew (a short recording as a whole).
    std::function<void(const FlybyPass& pass)> found;
};

// The whole recording through PassFinders (one per core, on stretches of the take that overlap
// by what a finder needs to settle in). A short recording (a single fly-by, as most files are)
// with at most one pass found is measured as a whole, as EstimateSpeed measures it.
PassSearch FindPasses(const Recording& recording, double temperatureC,
                      double maxSpeedKmh = kDefaultTopSpeedKmh, const PassSearchWatch* watch = nullptr);

}  // namespace pirolex
