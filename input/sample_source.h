#pragma once
// Where the samples of a stream come from: a file played through, or a microphone. Pulled in
// blocks, as aubio's source is, so that a file, a device and a test's synthesised take are the
// same to whoever listens.
//
//   SourceBlock block;
//   while (source.Pull(4800, block) == SourceState::kFrames) Use(block.channels);

#include "recording.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pirolex {

enum class SourceState {
    kFrames,  // the block holds at least one frame
    kEnded,   // the stream is over: a file played to its end, or the device was stopped
    kLost,    // the device went away mid-take (unplugged, taken by another program)
};

// One block: per channel, the same number of 16-bit samples.
struct SourceBlock {
    std::vector<std::vector<int16_t>> channels;

    int64_t FrameCount() const {
        return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size());
    }
};

class SampleSource {
public:
    virtual ~SampleSource() = default;
    virtual int32_t SampleRate() const = 0;
    virtual int32_t ChannelCount() const = 0;
    // At most maxFrames frames into block (its channels resized to what came). A device waits
    // until some frames have arrived; kEnded and kLost leave the block empty.
    virtual SourceState Pull(int64_t maxFrames, SourceBlock& block) = 0;
};

// A recording played through from its first frame to its last: a file as a stream.
class RecordingSource : public SampleSource {
public:
    explicit RecordingSource(Recording recording) : recording_(std::move(recording)) {}
    int32_t SampleRate() const override { return recording_.sampleRate; }
    int32_t ChannelCount() const override { return recording_.ChannelCount(); }
    SourceState Pull(int64_t maxFrames, SourceBlock& block) override;
    // Frames handed out so far.
    int64_t Position() const { return next_; }

private:
    Recording recording_;
    int64_t next_ = 0;
};

// The machine's sound inputs, handed to whoever listens (app/devices/ has the real ones through Qt
// Multimedia; tests hand in fakes).
class InputDevices {
public:
    virtual ~InputDevices() = default;
    // The input devices' names, the system's default first; empty when there is none.
    virtual std::vector<std::string> Names() = 0;
    // Starts listening on the named device (one of Names()); none when it cannot be opened.
    virtual std::unique_ptr<SampleSource> Open(const std::string& name) = 0;
};

}  // namespace pirolex
