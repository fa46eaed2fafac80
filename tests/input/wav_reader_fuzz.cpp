// libFuzzer entry for the WAV reader: any byte string either loads or throws RuntimeError, and
// a load leaves the counts consistent. Build with -DPIROLEX_FUZZ=ON and clang.

#include "runtime_error.h"
#include "wav_reader.h"

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto state = std::make_unique<pirolex::AnalysisState>();
    pirolex::Effects effects;
    pirolex::MemorySource source(data, size);
    try {
        pirolex::LoadWav(source, *state, effects);
    } catch (const pirolex::RuntimeError&) {
        return 0;
    }
    if (state->StoredCount > state->SampleCount || state->StoredCount > pirolex::kMaxFrames ||
        state->SampleRate <= 0)
        std::abort();
    return 0;
}
