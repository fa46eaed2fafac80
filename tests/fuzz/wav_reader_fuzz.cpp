// libFuzzer entry: arbitrary bytes into the WAV reader's in-memory source, and every recording it
// takes drawn once in each picture. The program's own German errors are outcomes; a crash, a
// sanitizer report, a leak, a hang or a load with inconsistent counts is a finding.
// Build with -DPIROLEX_FUZZ=ON and clang; scripts/test runs it from the generated seed corpus.

#include "fuzz_harness.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The canvas needs a GUI application for its fonts. It gets its own arguments: Qt would take
    // away any of the fuzzer's that it happens to recognise.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pirolex_wav_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const pirolex::fuzz::Outcome outcome = pirolex::fuzz::RunOneInput(data, size);
    if (!outcome.consistent) {
        std::fprintf(stderr, "load left inconsistent counts\n");
        std::abort();
    }
    return 0;
}
