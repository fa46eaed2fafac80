#pragma once
// FFTW's real-input forward plans, one per size for the process. FFTW's planner is not
// thread-safe, its plans are: each is made once under a lock, on buffers aligned as fftw_alloc
// aligns every caller's own, and then executed with fftw_execute_dft_r2c on the caller's buffers.
// Never destroyed, so a thread still transforming at exit finds its plan intact.

#include <fftw3.h>

#include <cstdint>

namespace pirolex {

// For buffers from fftw_alloc_real / fftw_alloc_complex held in a std::unique_ptr.
struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};

fftw_plan RealForwardPlan(int32_t n);

// The same in single precision, for buffers from fftwf_alloc_real / fftwf_alloc_complex or
// aligned to 64 bytes.
fftwf_plan SingleRealForwardPlan(int32_t n);

}  // namespace pirolex
