// Decoding a 60-second M4A (AAC, 48 kHz stereo) into a Recording, as a phone recording is loaded:
// from the file, and from memory to show what the file access adds. The file is made once per
// run with the ffmpeg command from a synthetic fly-by, repeated to a minute.
//
//   ./build/bench/pirolex_decode_bench

#include "audio_decoder.h"
#include "flyby.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Removes the folder with the made files when the program ends.
struct TempFolder {
    fs::path path =
        fs::temp_directory_path() / ("pirolex_decode_bench_" + std::to_string(::getpid()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

// The M4A's path, or empty when the ffmpeg command is missing or failed.
const std::string& MinuteM4a() {
    static TempFolder folder;
    static const std::string path = []() -> std::string {
        pirolex::flyby::Params p;
        p.sampleRate = 48000;
        p.channels = 2;
        p.seconds = 12.0;
        const std::vector<uint8_t> wav = pirolex::flyby::MakeWav(p);
        const fs::path source = folder.path / "flyby.wav";
        const fs::path target = folder.path / "minute.m4a";
        std::ofstream(source, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()),
                   static_cast<std::streamsize>(wav.size()));
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -y -stream_loop 4 -i '" +
            source.string() + "' -c:a aac -b:a 128k '" + target.string() + "'";
        return std::system(command.c_str()) == 0 ? target.string() : std::string();
    }();
    return path;
}

void Steady(benchmark::internal::Benchmark* b) {
    b->ComputeStatistics("min", [](const std::vector<double>& v) {
         return *std::min_element(v.begin(), v.end());
     })->Unit(benchmark::kMillisecond);
}

void BM_DecodeM4aFile(benchmark::State& run) {
    const std::string& path = MinuteM4a();
    if (path.empty()) {
        run.SkipWithError("the ffmpeg command is missing or failed");
        return;
    }
    int64_t frames = 0;
    for (auto _ : run) {
        const pirolex::DecodeResult result = pirolex::DecodeFile(path);
        frames = result.info.frames;
        benchmark::DoNotOptimize(result.recording.channels.data());
    }
    run.counters["frames"] = static_cast<double>(frames);
    run.counters["audio_seconds"] = benchmark::Counter(
        static_cast<double>(frames) / 48000.0 * static_cast<double>(run.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeM4aFile)->Apply(Steady);

void BM_DecodeM4aMemory(benchmark::State& run) {
    const std::string& path = MinuteM4a();
    if (path.empty()) {
        run.SkipWithError("the ffmpeg command is missing or failed");
        return;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    for (auto _ : run) {
        const pirolex::DecodeResult result = pirolex::DecodeMemory(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(result.recording.channels.data());
    }
}
BENCHMARK(BM_DecodeM4aMemory)->Apply(Steady);

}  // namespace
