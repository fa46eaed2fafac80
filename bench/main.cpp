// The benchmarks draw into a PlotCanvas, which needs a GUI application object; no screen is
// needed, so the platform is forced to offscreen before it is created.

#include "vector_state.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    pirolex::ClearUpperVectorState();  // creating the application leaves it set
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
