// pirolex_decode_file: decodes one file as the program loads a recording and prints what came
// out and how long it took, for measuring loads of long recordings under /usr/bin/time -v.
//   ./build/bench/pirolex_decode_file recording.m4a

#include "audio_decoder.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pirolex_decode_file FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pirolex::DecodeResult result = pirolex::DecodeFile(argv[1]);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!result.Ok()) {
        const std::string_view name = pirolex::DecodeErrorName(*result.error);
        std::fprintf(stderr, "failed: %.*s\n", static_cast<int>(name.size()), name.data());
        return 1;
    }
    const pirolex::DecodeInfo& info = result.info;
    std::printf(
        "frames %lld\nrate %d\nchannels %d\nseconds %.3f\ncodec %s\ncontainer %s\n"
        "damaged %s\nload %.3f s\n",
        static_cast<long long>(info.frames), info.sampleRate, info.channels, info.seconds,
        info.codec.c_str(), info.container.c_str(), info.damaged ? "yes" : "no", took.count());
    return 0;
}
