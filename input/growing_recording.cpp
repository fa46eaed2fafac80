#include "growing_recording.h"

#include "checked_save.h"

#include <algorithm>
#include <variant>

namespace pirolex {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// The canonical 44-byte header of a 16-bit PCM file.
std::vector<uint8_t> WavHeader(int32_t sampleRate, int32_t channels, int64_t frames) {
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    const uint32_t dataBytes = static_cast<uint32_t>(frames * blockAlign);
    std::vector<uint8_t> header;
    PutTag(header, "RIFF");
    PutU32(header, 36 + dataBytes);
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    PutU32(header, 16);
    PutU16(header, 1);
    PutU16(header, static_cast<uint32_t>(channels));
    PutU32(header, static_cast<uint32_t>(sampleRate));
    PutU32(header, static_cast<uint32_t>(sampleRate) * blockAlign);
    PutU16(header, blockAlign);
    PutU16(header, 16);
    PutTag(header, "data");
    PutU32(header, dataBytes);
    return header;
}

}  // namespace

GrowingRecording::GrowingRecording(int32_t sampleRate, int32_t channelCount, int64_t keptFrames)
    : sampleRate_(sampleRate), keptLimit_(keptFrames), channels_(static_cast<size_t>(std::max(channelCount, 1))) {
    if (keptLimit_ <= 0) keptLimit_ = kMaxRecordingSamples / std::max(channelCount, 1);
}

void GrowingRecording::Append(const std::vector<std::vector<int16_t>>& block) {
    const size_t frames = block.empty() ? 0 : block.front().size();
    int64_t head = head_;
    for (size_t c = 0; c < channels_.size(); ++c) {
        std::vector<int16_t>& kept = channels_[c];
        const bool present = c < block.size() && block[c].size() == frames;
        head = head_;
        for (size_t i = 0; i < frames; ++i) {
            const int16_t sample = present ? block[c][i] : 0;
            if (static_cast<int64_t>(kept.size()) < keptLimit_) {
                kept.push_back(sample);
            } else {
                // Full: the oldest frame makes room, and the next oldest becomes the first.
                kept[static_cast<size_t>(head)] = sample;
                head = (head + 1) % keptLimit_;
            }
        }
    }
    head_ = head;
    endFrame_ += static_cast<int64_t>(frames);
}

Recording GrowingRecording::Snapshot() const {
    Recording recording;
    recording.sampleRate = sampleRate_;
    recording.channels.reserve(channels_.size());
    for (const std::vector<int16_t>& kept : channels_) {
        std::vector<int16_t> ordered;
        ordered.reserve(kept.size());
        ordered.insert(ordered.end(), kept.begin() + head_, kept.end());
        ordered.insert(ordered.end(), kept.begin(), kept.begin() + head_);
        recording.channels.push_back(std::move(ordered));
    }
    return recording;
}

Recording GrowingRecording::Take() {
    Recording recording;
    recording.sampleRate = sampleRate_;
    for (std::vector<int16_t>& kept : channels_) {
        std::rotate(kept.begin(), kept.begin() + head_, kept.end());
        recording.channels.push_back(std::move(kept));
        kept = {};
    }
    head_ = 0;
    return recording;
}

// The frames from firstFrame on, then those before it: a ring is written oldest first without a
// second copy of it.
static std::optional<Failure> SaveWav(const std::string& path, int32_t sampleRate,
                                      const std::vector<std::vector<int16_t>>& channels, int64_t firstFrame,
                                      const std::vector<std::string>& inputs) {
    std::variant<CheckedSave, Failure> opened = CheckedSave::Begin(path, inputs);
    if (auto* failure = std::get_if<Failure>(&opened)) return *failure;
    CheckedSave& file = std::get<CheckedSave>(opened);
    const int64_t frames = channels.empty() ? 0 : static_cast<int64_t>(channels.front().size());
    const std::vector<uint8_t> header = WavHeader(sampleRate, static_cast<int32_t>(channels.size()), frames);
    bool ok = file.Write(header.data(), header.size());
    // Interleaved in pieces, so that a long take needs no second copy in memory.
    constexpr int64_t kPieceFrames = 1 << 16;
    std::vector<uint8_t> piece;
    for (int64_t first = 0; ok && first < frames; first += kPieceFrames) {
        const int64_t count = std::min(kPieceFrames, frames - first);
        piece.clear();
        for (int64_t i = first; i < first + count; ++i) {
            const size_t at = static_cast<size_t>((firstFrame + i) % frames);
            for (const std::vector<int16_t>& kept : channels) PutU16(piece, static_cast<uint16_t>(kept[at]));
        }
        ok = file.Write(piece.data(), piece.size());
    }
    return file.Commit();
}

std::optional<Failure> GrowingRecording::SaveWav(const std::string& path, const std::vector<std::string>& inputs) const {
    return pirolex::SaveWav(path, sampleRate_, channels_, head_, inputs);
}

std::optional<Failure> SaveWav(const Recording& recording, const std::string& path,
                               const std::vector<std::string>& inputs) {
    return SaveWav(path, recording.sampleRate, recording.channels, 0, inputs);
}

}  // namespace pirolex
