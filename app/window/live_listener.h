#pragma once
// Listening while the window stays responsive: the live stream runs on a worker thread of its
// own, which pulls the source (a microphone waits there for its next block). Every line, every
// pass and the level of every block reach the window as values, through calls queued into the
// window's thread; saving the take and stopping take the stream's lock between two blocks, so
// no part of the stream is touched by two threads at once.

#include "live_stream.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pirolex {

// What the window is told, each on its own thread.
struct LiveEvents {
    std::function<void(int64_t firstFrame, const std::vector<double>& levels)> line;
    std::function<void(const FlybyPass& pass)> pass;
    std::function<void(double peak)> level;  // 0..1 of full scale
    // The source ended: lost is true when the device went away mid-take.
    std::function<void(bool lost, double seconds)> ended;
};

// What listening leaves: the take, and every pass reported on it, with the passes still open when
// it stopped concluded.
struct StoppedTake {
    Recording recording;
    // Where the recording starts in the stream, s: above 0 once the oldest part of a long take
    // has been let go.
    double startS = 0.0;
    std::vector<FlybyPass> passes;
};

class LiveListener {
public:
    // Made in the window's thread: the events run there.
    LiveListener(std::unique_ptr<SampleSource> source, const LiveStreamSettings& settings, LiveEvents events);
    ~LiveListener();

    // Stops the worker (waiting for its current block) and hands over the take so far.
    StoppedTake Stop();
    // The take so far as a WAV file; the failure, if any.
    std::optional<Failure> Save(const std::string& path);
    double Seconds();

private:
    void Run();
    template <class Event>
    void Post(Event event);

    std::unique_ptr<SampleSource> source_;
    // Lives in the window's thread: the queued calls run there, and those still queued when the
    // listener goes are dropped with it.
    std::unique_ptr<QObject> inbox_;
    std::mutex streamMutex_;
    LiveStream stream_;
    // Guarded by streamMutex_: the passes reported so far, and whether the stream has finished.
    std::vector<FlybyPass> passes_;
    bool finished_ = false;
    LiveEvents events_;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

}  // namespace pirolex
