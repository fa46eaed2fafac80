#include "fftw_plans.h"

#include <map>
#include <memory>
#include <mutex>

namespace pirolex {

fftw_plan RealForwardPlan(int32_t n) {
    static std::mutex mutex;
    static auto* const plans = new std::map<int32_t, fftw_plan>;
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = plans->find(n); found != plans->end()) return found->second;
    // Planning with FFTW_ESTIMATE leaves the arrays alone; they only show FFTW the alignment.
    std::unique_ptr<double[], FftwFree> in(fftw_alloc_real(static_cast<size_t>(n)));
    std::unique_ptr<fftw_complex[], FftwFree> out(fftw_alloc_complex(static_cast<size_t>(n / 2 + 1)));
    const fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.get(), out.get(), FFTW_ESTIMATE);
    plans->emplace(n, plan);
    return plan;
}

fftwf_plan SingleRealForwardPlan(int32_t n) {
    static std::mutex mutex;
    static auto* const plans = new std::map<int32_t, fftwf_plan>;
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = plans->find(n); found != plans->end()) return found->second;
    float* in = fftwf_alloc_real(static_cast<size_t>(n));
    fftwf_complex* out = fftwf_alloc_complex(static_cast<size_t>(n / 2 + 1));
    const fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    fftwf_free(in);
    fftwf_free(out);
    plans->emplace(n, plan);
    return plan;
}

}  // namespace pirolex
