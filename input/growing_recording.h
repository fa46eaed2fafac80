#pragma once
// The take so far, while it is being heard: frames are appended as a source delivers them. With
// a limit it keeps only the newest frames (live input keeps the last 30 minutes, so a listening
// session left running does not fill the memory); frame numbers count from the stream's start
// either way, so a line or a pass found early keeps its time when the oldest frames are gone.
// When the stream stops it becomes an ordinary Recording.

#include "failure.h"
#include "recording.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pirolex {

// How much of a live take is kept.
inline constexpr double kLiveKeptSeconds = 30.0 * 60.0;

class GrowingRecording {
public:
    // keptFrames 0: everything is kept (up to kMaxRecordingSamples, as any recording).
    GrowingRecording(int32_t sampleRate, int32_t channelCount, int64_t keptFrames = 0);

    // Appends a block of frames, one vector per channel, all of the same length; a channel the
    // block lacks is kept silent.
    void Append(const std::vector<std::vector<int16_t>>& block);

    int32_t SampleRate() const { return sampleRate_; }
    int32_t ChannelCount() const { return static_cast<int32_t>(channels_.size()); }
    // Frames appended since the start, and the stream frame of the oldest one still kept.
    int64_t EndFrame() const { return endFrame_; }
    int64_t FirstKeptFrame() const { return endFrame_ - KeptFrames(); }
    int64_t KeptFrames() const {
        return channels_.empty() ? 0 : static_cast<int64_t>(channels_.front().size());
    }

    // The kept frames, oldest first, as a recording of their own (its frame 0 is
    // FirstKeptFrame()).
    Recording Snapshot() const;
    // The same without a copy; the growing recording is empty afterwards.
    Recording Take();

    // Writes the kept frames as a 16-bit PCM WAV file through one checked save (checked_save.h):
    // a full disk or a folder without write access leaves what was there as it was, and none of
    // `inputs` (the files being read) is ever replaced. The failure, if any, as the reader's codes
    // name it.
    std::optional<Failure> SaveWav(const std::string& path, const std::vector<std::string>& inputs = {}) const;

private:
    int32_t sampleRate_;
    int64_t keptLimit_;
    // One vector per channel; once the limit is reached, a ring whose oldest frame is at head_.
    std::vector<std::vector<int16_t>> channels_;
    int64_t head_ = 0;
    int64_t endFrame_ = 0;
};

// Writes a recording as a 16-bit PCM WAV file, as GrowingRecording::SaveWav writes a take.
std::optional<Failure> SaveWav(const Recording& recording, const std::string& path,
                               const std::vector<std::string>& inputs = {});

}  // namespace pirolex
