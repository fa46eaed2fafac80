// What `pirolex render` spends inside the process, stage by stage, on a 700000-frame stereo
// 16-bit fly-by in 2D with "beide": reading the file, the recompute, and writing the PNG; the
// canvas's row drawing on its own; and all of it together. Process start and Qt's start-up are
// outside these figures: bench/render_vs_sox.sh measures the whole process against sox.
//
//   ./build/bench/pirolex_render_bench
//   ./build/bench/pirolex_render_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "audio_decoder.h"
#include "flyby.h"
#include "offscreen_plot.h"
#include "plot_commands.h"
#include "plot_png.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using namespace pirolex;

double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}
void Steady(benchmark::internal::Benchmark* b) {
    b->ComputeStatistics("min", Fastest)->Unit(benchmark::kMillisecond);
}

// The recording of the comparison with sox: 700000 frames, two microphones, 16 bit.
const std::string& RecordingPath() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        flyby::Params p;
        p.channels = 2;
        p.seconds = 700000.0 / p.sampleRate;
        const std::vector<uint8_t> wav = flyby::MakeWav(p);
        const std::string file = dir.filePath(QStringLiteral("flyby-700000.wav")).toStdString();
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
        return file;
    }();
    return path;
}

PlotRequest Beide() {
    PlotRequest request;
    request.file = RecordingPath();
    request.settings.channel = Channel::kBoth;
    return request;
}

void BM_Load(benchmark::State& run) {
    const PlotRequest request = Beide();
    for (auto _ : run) {
        auto plot = LoadPlot(request, &DecodeFile);
        benchmark::DoNotOptimize(plot->session.GetRecording().FrameCount());
    }
}
BENCHMARK(BM_Load)->Apply(Steady);

void BM_Recompute2DBeide(benchmark::State& run) {
    const PlotRequest request = Beide();
    auto plot = LoadPlot(request, &DecodeFile);
    PlotCanvas canvas = MakePlotBitmap(request);
    DrawPlot(*plot, canvas, request);  // the fonts are loaded once per process
    for (auto _ : run) {
        DrawPlot(*plot, canvas, request);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Recompute2DBeide)->Apply(Steady);

// The 2D picture's drawing alone: 402 rows of 511 short segments, colour changing per segment,
// the second half ANDed in as the right channel is.
void BM_CanvasRows(benchmark::State& run) {
    PlotCanvas canvas(615, 271);
    for (auto _ : run) {
        for (int row = 0; row < 402; ++row) {
            const int y = 250 - row % 201;
            canvas.SetPenMode(row < 201 ? PenMode::Copy : PenMode::Mask);
            canvas.MoveTo(10, y);
            for (int k = 1; k < 512; ++k) {
                canvas.SetPenColor(k % 7 == 0 ? 0x0000FF : 0xFFFFFF);
                canvas.LineTo(10 + k, y);
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CanvasRows)->Apply(Steady);

void BM_SavePng(benchmark::State& run) {
    const PlotRequest request = Beide();
    auto plot = LoadPlot(request, &DecodeFile);
    PlotCanvas canvas = MakePlotBitmap(request);
    DrawPlot(*plot, canvas, request);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plot.png"));
    for (auto _ : run) benchmark::DoNotOptimize(WritePlotPng(canvas, path));
}
BENCHMARK(BM_SavePng)->Apply(Steady);

// The command as main() runs it, less the process and Qt's start-up.
void BM_RenderCommand(benchmark::State& run) {
    QTemporaryDir dir;
    const std::vector<std::string> args = {RecordingPath(), "-o", dir.filePath(QStringLiteral("x.png")).toStdString(),
                                           "--channel", "beide"};
    std::ostringstream out, err;
    for (auto _ : run) benchmark::DoNotOptimize(RunRender(args, out, err, &DecodeFile));
}
BENCHMARK(BM_RenderCommand)->Apply(Steady);

}  // namespace
