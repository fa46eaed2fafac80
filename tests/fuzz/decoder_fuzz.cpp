// libFuzzer entry: arbitrary bytes into the decoder of compressed formats through its memory
// source. A refusal with an error code is an outcome; a crash, a sanitizer report, a leak, a hang,
// progress that falls or leaves 0..1, or a recording whose counts disagree is a finding.
// Build with -DPIROLEX_FUZZ=ON and clang; scripts/test runs it from small files made by ffmpeg.

#include "audio_decoder.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A few bytes of a lossless format can stand for minutes of sound; the limit keeps each input
// to a few megabytes so that the fuzzer's memory limit catches leaks, not long recordings.
constexpr int64_t kFuzzMaxSamples = int64_t{1} << 22;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "decoder: %s\n", what);
    std::abort();
}

void CheckRecording(const pirolex::DecodeResult& result) {
    const pirolex::Recording& r = result.recording;
    if (!result.Ok()) {
        if (!r.channels.empty()) Finding("a failed load kept samples");
        return;
    }
    if (r.ChannelCount() < 1 || r.ChannelCount() > pirolex::kMaxDecodedChannels)
        Finding("channel count");
    if (r.sampleRate < 1 || r.sampleRate > pirolex::kMaxDecodedSampleRate) Finding("sample rate");
    if (r.FrameCount() < 1 || r.FrameCount() * r.ChannelCount() > kFuzzMaxSamples)
        Finding("frame count");
    for (const auto& channel : r.channels)
        if (static_cast<int64_t>(channel.size()) != r.FrameCount())
            Finding("channels of unequal length");
    if (result.info.frames != r.FrameCount() || result.info.channels != r.ChannelCount() ||
        result.info.sampleRate != r.sampleRate)
        Finding("info disagrees with the recording");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double last = 0.0;
    bool falling = false;
    pirolex::DecodeOptions options;
    options.maxSamples = kFuzzMaxSamples;
    options.progress = [&](double fraction) {
        if (!(fraction >= last && fraction <= 1.0)) falling = true;
        last = fraction;
        return true;
    };
    const pirolex::DecodeResult result = pirolex::DecodeMemory(data, size, options);
    if (falling) Finding("progress fell or left 0..1");
    CheckRecording(result);
    return 0;
}
