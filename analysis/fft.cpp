#include "fft.h"

#include "checked_arithmetic.h"
#include "pair.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace pirolex {

namespace {

constexpr long double kPiExtended = 3.141592653589793238462643383279502884L;

int32_t ReverseTenBits(int32_t i) {
    int32_t r = 0;
    for (int bit = 0; bit < kLevels; ++bit)
        if (i & (1 << bit)) r |= 1 << (kLevels - 1 - bit);
    return r;
}

// Built once for 1024 points; a smaller size reads every stride-th angle and the top bits of the
// bit reversal.
struct FftTables {
    struct Turn {
        double sine;
        double cosine;
    };
    std::array<Turn, kTableSize> turns{};
    std::array<int32_t, kTableSize> bitReverse{};
    // The twiddle of group g's upper half at level j (1..10), in 1024ths of a turn: 0 at the
    // first level, the bit reversal of 2g below it.
    std::array<std::array<int32_t, kTableSize / 2>, kLevels + 1> groupTwiddle{};

    FftTables() {
        for (int32_t i = 0; i < kTableSize; ++i) {
            // The angle is formed in extended precision and rounded once; sine and cosine are
            // then taken of that double, so entry 256's cosine is cos(nearest double to pi/2),
            // not 0.
            const double theta = static_cast<double>(i * 2.0L * kPiExtended / 1024.0L);
            turns[i] = {std::sin(theta), std::cos(theta)};
            bitReverse[i] = ReverseTenBits(i);
        }
        for (int32_t j = 2; j <= kLevels; ++j)
            for (int32_t g = 0; g < kTableSize / 2; ++g) groupTwiddle[j][g] = ReverseTenBits(2 * g);
    }
};

const FftTables& Tables() {
    static const FftTables tables;
    return tables;
}

// Multiplication by e^(-i t 2pi/1024): (re c + im s, im c - re s). The second lane is
// im c + re (-s), the same double, since negating s is exact and x + (-y) is x - y.
struct TurnFactor {
    Pair cos;
    Pair sinSigned;
};
inline TurnFactor TurnFor(const FftTables& tables, int32_t t) {
    const double s = tables.turns[t].sine;
    const double c = tables.turns[t].cosine;
    return {Pair{c, c}, Pair{s, -s}};
}
inline Pair Turn(Pair v, const TurnFactor& w) {
    return v * w.cos + __builtin_shufflevector(v, v, 1, 0) * w.sinSigned;
}

// The lower row of a pair receives a + b, the upper one (-b) + a, which is the same double as
// a - b.
inline void Combine(ComplexRow& lower, ComplexRow& upper, Pair a, Pair b) {
    StoreRow(lower, a + b);
    StoreRow(upper, a - b);
}

// The first level combines the block's halves, without a twiddle.
void FirstLevel(FftBuffers& b, int32_t n) {
    const int32_t d = n / 2;
    const ComplexRow* in = b.block.data();
    ComplexRow* out = b.work.data();
    for (int32_t r = 0; r < d; ++r)
        Combine(out[r], out[r + d], LoadRow(in[r]), LoadRow(in[r + d]));
}

// A middle level: every upper row of a group is turned by the group's twiddle, then combined with
// its lower partner, in place.
void MiddleLevel(const FftTables& tables, FftBuffers& b, int32_t level, int32_t n) {
    const int32_t d = kTableSize >> level;
    ComplexRow* x = b.work.data();
    const int32_t* twiddle = tables.groupTwiddle[level].data();
    for (int32_t g = 0; g < n / (2 * d); ++g) {
        ComplexRow* lower = x + 2 * g * d;
        ComplexRow* upper = lower + d;
        const int32_t t = twiddle[g];
        if (t > 0) {
            const TurnFactor w = TurnFor(tables, t);
            for (int32_t r = 0; r < d; ++r)
                Combine(lower[r], upper[r], LoadRow(lower[r]), Turn(LoadRow(upper[r]), w));
        } else {
            for (int32_t r = 0; r < d; ++r)
                Combine(lower[r], upper[r], LoadRow(lower[r]), LoadRow(upper[r]));
        }
    }
}

// The last level pairs neighbouring rows.
void LastLevel(const FftTables& tables, FftBuffers& b, int32_t n) {
    ComplexRow* out = b.work.data();
    const int32_t* twiddle = tables.groupTwiddle[kLevels].data();
    for (int32_t g = 0; g < n / 2; ++g) {
        const int32_t t = twiddle[g];
        const Pair a = LoadRow(out[2 * g]);
        Pair second = LoadRow(out[2 * g + 1]);
        if (t > 0) second = Turn(second, TurnFor(tables, t));
        Combine(out[2 * g], out[2 * g + 1], a, second);
    }
}

// Approximate: the larger part plus 0.33 times the smaller one. Dividing by N and multiplying by 1/N give
// the same double because N is a power of two. Two rows per step: max/min pick the larger and
// smaller part exactly as "a >= b" does (the parts are never NaN, and fabs never gives -0).
void MagnitudeApproximate(const FftTables& tables, FftBuffers& b, int32_t n, int shift) {
    const Pair inv = Splat(1.0 / n);
    const Pair share = Splat(0.33);
    const ComplexRow* out = b.work.data();
    double* bins = b.bins.data();
    const int32_t* rev = tables.bitReverse.data();
    for (int32_t r = 0; r < n; r += 2) {
        const Pair first = AbsPair(LoadRow(out[r]));
        const Pair second = AbsPair(LoadRow(out[r + 1]));
        const Pair x = LowLanes(first, second);
        const Pair y = HighLanes(first, second);
        const Pair m = (MaxPair(x, y) + share * MinPair(x, y)) * inv;
        bins[rev[r] >> shift] = m[0];
        bins[rev[r + 1] >> shift] = m[1];
    }
}

// Exact: the modulus, and a phase that takes re as y and im as x; a zero im (of either sign)
// gives phase 0 whatever re is.
void MagnitudeExact(const FftTables& tables, FftBuffers& b, int32_t n, int shift) {
    const double inv = 1.0 / n;
    const ComplexRow* out = b.work.data();
    const int32_t* rev = tables.bitReverse.data();
    for (int32_t r = 0; r < n; ++r) {
        const double re = out[r].Re;
        const double im = out[r].Im;
        const int32_t k = rev[r] >> shift;
        b.bins[k] = std::sqrt(re * re + im * im) * inv;
        b.phases[k] = im != 0.0 ? std::atan2(re, im) : 0.0;
    }
}

void FoldLine(FftBuffers& b, int32_t n) {
    b.amplitudes[0] = b.bins[0];
    for (int32_t k = 1; k < n / 2; ++k) b.amplitudes[k] = b.bins[n - k] + b.bins[k];
}

// One forward plan per size for the process, made under a lock (FFTW's planner is not
// thread-safe, its plans are), on buffers aligned as every FftBuffers is; never destroyed, so a
// thread still drawing at exit finds it intact.
fftw_plan LargePlanFor(int32_t n, FftBuffers& b) {
    static std::mutex mutex;
    static auto* const plans = new std::map<int32_t, fftw_plan>;
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = plans->find(n); found != plans->end()) return found->second;
    // Planning with FFTW_ESTIMATE leaves the arrays alone.
    const fftw_plan plan = fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex*>(b.block.data()),
                                            reinterpret_cast<fftw_complex*>(b.work.data()),
                                            FFTW_FORWARD, FFTW_ESTIMATE);
    plans->emplace(n, plan);
    return plan;
}

// The sizes above the tables: the same magnitudes and phases as MagnitudeApproximate and MagnitudeExact,
// from FFTW's output in natural order.
void TransformLarge(FftBuffers& b, int32_t n, Accuracy accuracy) {
    const fftw_plan plan = LargePlanFor(n, b);
    fftw_execute_dft(plan, reinterpret_cast<fftw_complex*>(b.block.data()),
                     reinterpret_cast<fftw_complex*>(b.work.data()));
    const double inv = 1.0 / n;
    const ComplexRow* out = b.work.data();
    if (accuracy == Accuracy::kExact) {
        for (int32_t k = 0; k < n; ++k) {
            const double re = out[k].Re, im = out[k].Im;
            b.bins[k] = std::sqrt(re * re + im * im) * inv;
            b.phases[k] = im != 0.0 ? std::atan2(re, im) : 0.0;
        }
    } else {
        for (int32_t k = 0; k < n; ++k) {
            const double x = std::fabs(out[k].Re), y = std::fabs(out[k].Im);
            b.bins[k] = (std::max(x, y) + 0.33 * std::min(x, y)) * inv;
        }
    }
}

}  // namespace

void TransformLine(FftBuffers& buffers, int32_t fftExponent, Accuracy accuracy) {
    if (fftExponent < kSmallestFftExponent || fftExponent > kLargestFftExponent)
        Fail(ErrorCode::kRangeCheck);
    if (fftExponent > kLargestTableExponent) {
        const int32_t n = int32_t{1} << fftExponent;
        TransformLarge(buffers, n, accuracy);
        FoldLine(buffers, n);
        return;
    }
    const FftTables& tables = Tables();
    const int32_t n = int32_t{1} << fftExponent;
    const int shift = kLevels - fftExponent;  // bin of row r: bitReverse[r] >> shift
    // Levels 11 - E .. 10 of the 1024-point plan; the first reads the block itself.
    FirstLevel(buffers, n);
    for (int32_t level = kLevels + 2 - fftExponent; level < kLevels; ++level)
        MiddleLevel(tables, buffers, level, n);
    LastLevel(tables, buffers, n);
    if (accuracy == Accuracy::kExact)
        MagnitudeExact(tables, buffers, n, shift);
    else
        MagnitudeApproximate(tables, buffers, n, shift);
    FoldLine(buffers, n);
}

}  // namespace pirolex
