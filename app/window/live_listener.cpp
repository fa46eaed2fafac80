#include "live_listener.h"

#include <QMetaObject>

namespace pirolex {

LiveListener::LiveListener(std::unique_ptr<SampleSource> source, const LiveStreamSettings& settings,
                           LiveEvents events)
    : source_(std::move(source)), inbox_(std::make_unique<QObject>()),
      stream_(source_->SampleRate(), source_->ChannelCount(), settings), events_(std::move(events)),
      worker_([this] { Run(); }) {}

LiveListener::~LiveListener() {
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
}

template <class Event>
void LiveListener::Post(Event event) {
    QMetaObject::invokeMethod(inbox_.get(), std::move(event), Qt::QueuedConnection);
}

void LiveListener::Run() {
    SourceBlock block;
    while (!stopping_) {
        const SourceState state = source_->Pull(stream_.SampleRate() / 10, block);
        if (state != SourceState::kFrames) {
            std::vector<FlybyPass> rest;
            double seconds = 0;
            {
                const std::lock_guard lock(streamMutex_);
                rest = stream_.Finish();
                finished_ = true;
                passes_.insert(passes_.end(), rest.begin(), rest.end());
                seconds = stream_.Seconds();
            }
            for (FlybyPass& pass : rest) Post([this, pass] { if (events_.pass) events_.pass(pass); });
            Post([this, lost = state == SourceState::kLost, seconds] { if (events_.ended) events_.ended(lost, seconds); });
            return;
        }
        StreamStep step;
        {
            const std::lock_guard lock(streamMutex_);
            step = stream_.Append(block, [&](const SpectrumLine& line) {
                Post([this, first = line.firstFrame,
                      levels = std::vector<double>(line.amplitudes.begin(), line.amplitudes.end())] {
                    if (events_.line) events_.line(first, levels);
                });
            });
            passes_.insert(passes_.end(), step.passes.begin(), step.passes.end());
        }
        for (const FlybyPass& pass : step.passes) Post([this, pass] { if (events_.pass) events_.pass(pass); });
        Post([this, peak = step.peak / 32768.0] { if (events_.level) events_.level(peak); });
    }
}

StoppedTake LiveListener::Stop() {
    stopping_ = true;
    if (worker_.joinable()) worker_.join();
    const std::lock_guard lock(streamMutex_);
    if (!finished_) {
        std::vector<FlybyPass> rest = stream_.Finish();
        passes_.insert(passes_.end(), rest.begin(), rest.end());
        finished_ = true;
    }
    GrowingRecording& take = stream_.Take();
    StoppedTake stopped;
    stopped.startS = static_cast<double>(take.FirstKeptFrame()) / stream_.SampleRate();
    stopped.recording = take.Take();
    stopped.passes = std::move(passes_);
    return stopped;
}

std::optional<Failure> LiveListener::Save(const std::string& path) {
    const std::lock_guard lock(streamMutex_);
    return stream_.Take().SaveWav(path);
}

double LiveListener::Seconds() {
    const std::lock_guard lock(streamMutex_);
    return stream_.Seconds();
}

}  // namespace pirolex
