#include "pass_finder.h"

#include <utility>

namespace pirolex {

// A first finder: the whole stream is one stretch, measured when it ends.
PassFinder::PassFinder(int32_t sampleRate, double temperatureC, double maxSpeedKmh)
    : sampleRate_(sampleRate), temperatureC_(temperatureC), maxSpeedKmh_(maxSpeedKmh) {}

std::vector<FlybyPass> PassFinder::Append(std::span<const int16_t> samples) {
    samples_.insert(samples_.end(), samples.begin(), samples.end());
    return {};
}

std::vector<FlybyPass> PassFinder::Finish() {
    Recording stretch;
    stretch.sampleRate = sampleRate_;
    stretch.channels.push_back(std::move(samples_));
    samples_.clear();
    AutoSpeed speed = EstimateSpeed(stretch, temperatureC_, maxSpeedKmh_);
    if (!speed.Answered()) {
        noPassReason_ = speed.refusal;
        return {};
    }
    FlybyPass pass;
    pass.number = ++passesReported_;
    pass.heardS = speed.closestTimeS + speed.closestDistanceM / speed.model.soundSpeed;
    pass.reportedS = stretch.Seconds();
    pass.speed = std::move(speed);
    return {std::move(pass)};
}

PassSearch FindPasses(const Recording& recording, double temperatureC, double maxSpeedKmh) {
    PassFinder finder(recording.sampleRate, temperatureC, maxSpeedKmh);
    PassSearch search;
    if (!recording.channels.empty()) finder.Append(recording.channels.front());
    search.passes = finder.Finish();
    search.noPassReason = finder.NoPassReason();
    return search;
}

}  // namespace pirolex
