#include "fft_engine.h"

#include "pair.h"
#include "runtime_error.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

constexpr long double kPiExtended = 3.141592653589793238462643383279502884L;

// The per-line code indexes the 1024-row buffers without checking each row; that is safe only
// for the four sizes the FFT size track bar offers, with mask and stride set to match.
void CheckSize(const AnalysisState& state) {
    const int32_t e = state.FFTExponent;
    if (e < 7 || e > kLevels || state.FFTMask != (1 << e) - 1 ||
        state.TableStride != kTableSize >> e)
        Fail(msg::kRangeCheck);
}

void BuildTrigTable(FFTEngine& fft) {
    for (int32_t i = 0; i < kTableSize; ++i) {
        // The angle is formed in extended precision and rounded once; sine and cosine are then
        // taken of that double, so entry 256's cosine is cos(nearest double to pi/2), not 0.
        const double theta = static_cast<double>(i * 2.0L * kPiExtended / 1024.0L);
        fft.TrigTable[i].Sine = std::sin(theta);
        fft.TrigTable[i].Cosine = std::cos(theta);
    }
}

void BuildPartners(FFTEngine& fft) {
    for (auto& row : fft.LevelTable) row.fill(LevelRow{});
    for (int32_t j = 1; j <= kLevels; ++j) {
        const int32_t d = ZWEIpower(kLevels - j);
        for (int32_t k = 0; k < kTableSize; ++k) {
            LevelRow& entry = fft.LevelTable[k][j];
            if ((k / d) % 2 == 1) {
                entry.Partner = k - d;
                entry.Upper = 1;
            } else {
                entry.Partner = k + d;
                entry.Upper = 0;
            }
        }
    }
}

void BuildBitReverse(FFTEngine& fft) {
    for (int32_t i = 0; i < kTableSize; ++i) {
        int32_t acc = 0;
        int32_t b = i;
        for (int bit = 0; bit < kLevels; ++bit) {
            if (b % 2 == 1) acc += 1;
            b /= 2;
            acc *= 2;
        }
        fft.BitReverse[i] = acc / 2;
    }
}

// Each row's twiddles over the ten levels must add up to i * BitReverse[i] (plus a half turn for
// an odd bit count), modulo a full turn. Level 10 takes what the levels above have not yet given,
// and hands the same value down to the rows that row i stands for at levels 2..9. Those rows are
// read by later rows, which is why the rows go in ascending order.
void BuildTwiddles(FFTEngine& fft) {
    for (int32_t i = 0; i < kTableSize; ++i) {
        const int32_t target = (i * fft.BitReverse[i] + 512 * (Quersumme(i) % 2)) % 1024;
        int32_t sum = 0;
        for (int32_t j = 1; j <= 9; ++j) sum = (sum + fft.LevelTable[i][j].Twiddle) % 1024;
        int32_t t = target - sum;
        if (target < sum) t += 1024;
        fft.LevelTable[i][kLevels].Twiddle = t;
        for (int32_t j = 2; j <= 9; ++j) {
            const int32_t span = ZWEIpower(kLevels - j);
            const int32_t first = i * span;
            for (int32_t k = first; k < first + span && k < kTableSize; ++k)
                fft.LevelTable[k][j].Twiddle = t;
        }
    }
}

// Every upper row of a group shares its twiddle and lower rows have none, so one number per
// group and level describes the plan's Twiddle column.
void PackGroupTwiddles(FFTEngine& fft) {
    for (int32_t j = 1; j <= kLevels; ++j) {
        const int32_t d = kTableSize >> j;
        for (int32_t g = 0; g < (kTableSize >> 1) / d; ++g)
            fft.GroupTwiddle[j][g] = fft.LevelTable[2 * g * d + d][j].Twiddle;
    }
}

// Multiplication by e^(-i t 2pi/1024) as the twiddle pass writes it: (re c + im s, im c - re s).
// The second lane is im c + re (-s), the same double, since negating s is exact and x + (-y) is
// x - y.
struct TurnFactor {
    Pair cos;
    Pair sinSigned;
};
inline TurnFactor TurnFor(const FFTEngine& fft, int32_t t) {
    const double s = fft.TrigTable[t].Sine;
    const double c = fft.TrigTable[t].Cosine;
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

// The first level works on the block itself, without a twiddle pass.
void FirstLevel(FFTEngine& fft, int32_t n) {
    const int32_t d = n / 2;
    const ComplexRow* in = fft.FFTInput.data();
    ComplexRow* out = fft.FFTOutput.data();
    for (int32_t r = 0; r < d; ++r)
        Combine(out[r], out[r + d], LoadRow(in[r]), LoadRow(in[r + d]));
}

// A middle level's twiddle pass and butterflies done in place on FFTOutput, pair by pair. The
// twiddled copy that the separate pass would leave in FFTInput is overwritten by the next
// level's pass anyway, so it is kept only at the last level.
void MiddleLevel(FFTEngine& fft, int32_t level, int32_t n) {
    const int32_t d = kTableSize >> level;
    ComplexRow* x = fft.FFTOutput.data();
    const int32_t* twiddle = fft.GroupTwiddle[level].data();
    for (int32_t g = 0; g < n / (2 * d); ++g) {
        ComplexRow* lower = x + 2 * g * d;
        ComplexRow* upper = lower + d;
        const int32_t t = twiddle[g];
        if (t > 0) {
            const TurnFactor w = TurnFor(fft, t);
            for (int32_t r = 0; r < d; ++r)
                Combine(lower[r], upper[r], LoadRow(lower[r]), Turn(LoadRow(upper[r]), w));
        } else {
            for (int32_t r = 0; r < d; ++r)
                Combine(lower[r], upper[r], LoadRow(lower[r]), LoadRow(upper[r]));
        }
    }
}

// Level 10 pairs neighbouring rows. It leaves in FFTInput what its twiddle pass would: all of
// FFTOutput (rows from N on are never written by any level) with the upper rows turned.
void LastLevel(FFTEngine& fft, int32_t n) {
    ComplexRow* in = fft.FFTInput.data();
    ComplexRow* out = fft.FFTOutput.data();
    const int32_t* twiddle = fft.GroupTwiddle[kLevels].data();
    std::copy(out + n, out + kTableSize, in + n);
    for (int32_t g = 0; g < n / 2; ++g) {
        const int32_t t = twiddle[g];
        const Pair a = LoadRow(out[2 * g]);
        Pair b = LoadRow(out[2 * g + 1]);
        if (t > 0) b = Turn(b, TurnFor(fft, t));
        StoreRow(in[2 * g], a);
        StoreRow(in[2 * g + 1], b);
        Combine(out[2 * g], out[2 * g + 1], a, b);
    }
}

// "norm": larger part plus 0.33 times the smaller one. Dividing by N and multiplying by 1/N give
// the same double because N is a power of two. Two rows per step: their absolute values are
// written back, and max/min pick the larger and smaller part exactly as "a >= b" does (the
// parts are never NaN, and fabs never gives -0).
void MagnitudeNorm(FFTEngine& fft, int32_t n, int shift) {
    const Pair inv = Splat(1.0 / n);
    const Pair share = Splat(0.33);
    ComplexRow* out = fft.FFTOutput.data();
    ComplexRow* in = fft.FFTInput.data();
    const int32_t* rev = fft.BitReverse.data();
    for (int32_t r = 0; r < n; r += 2) {
        const Pair first = AbsPair(LoadRow(out[r]));
        const Pair second = AbsPair(LoadRow(out[r + 1]));
        StoreRow(out[r], first);
        StoreRow(out[r + 1], second);
        const Pair a = LowLanes(first, second);
        const Pair b = HighLanes(first, second);
        const Pair m = (MaxPair(a, b) + share * MinPair(a, b)) * inv;
        in[rev[r] >> shift].Re = m[0];
        in[rev[r + 1] >> shift].Re = m[1];
    }
}

// "fein": exact modulus, and a phase that takes re as y and im as x; a zero im (of either sign)
// gives phase 0 whatever re is. The whole PhaseSpectrum then replaces FFTInput.
void MagnitudeFein(FFTEngine& fft, int32_t n, int shift) {
    const double inv = 1.0 / n;
    const ComplexRow* out = fft.FFTOutput.data();
    PhaseRow* phase = fft.PhaseSpectrum.data();
    const int32_t* rev = fft.BitReverse.data();
    for (int32_t r = 0; r < n; ++r) {
        const double re = out[r].Re;
        const double im = out[r].Im;
        PhaseRow& row = phase[rev[r] >> shift];
        row.Magnitude = std::sqrt(re * re + im * im) * inv;
        row.Phase = im != 0.0 ? std::atan2(re, im) : 0.0;
    }
    for (int32_t k = 0; k < kTableSize; ++k)
        fft.FFTInput[k] = {fft.PhaseSpectrum[k].Magnitude, fft.PhaseSpectrum[k].Phase};
}

// Bin N/2 is dropped; every other bin above it is added onto its mirror below.
void FoldLine(FFTEngine& fft, int32_t n) {
    const ComplexRow* in = fft.FFTInput.data();
    ComplexRow* out = fft.FFTOutput.data();
    out[0].Re = in[0].Re;
    for (int32_t k = 1; k < n / 2; ++k) out[k].Re = in[n - k].Re + in[k].Re;
}

}  // namespace

int32_t ZWEIpower(int32_t n) {
    int32_t result = 1;
    for (int32_t i = 0; i < n; ++i) result = CheckedMul(result, 2);
    return result;
}

int32_t Quersumme(int32_t n) {
    int32_t count = 0;
    for (int bit = 0; bit < kLevels; ++bit) {
        if (n % 2 == 1) ++count;
        n /= 2;
    }
    return count;
}

void FFTinit(AnalysisState& state, FFTEngine& fft) {
    const int32_t size = ZWEIpower(state.FFTExponent);
    state.TableStride = 1024 / size;
    state.FFTMask = size - 1;
    BuildTrigTable(fft);
    BuildPartners(fft);
    BuildBitReverse(fft);
    BuildTwiddles(fft);
    PackGroupTwiddles(fft);
}

void FFTline(const AnalysisState& state, FFTEngine& fft, int accuracy) {
    CheckSize(state);
    const int32_t n = state.FFTMask + 1;
    const int shift = kLevels - state.FFTExponent;  // k(r) = BitReverse[r] div TableStride
    // Levels 11 - E .. 10; the first reads the block itself (a twiddle pass there would replace
    // it with the previous line's output).
    FirstLevel(fft, n);
    for (int32_t level = kLevels + 2 - state.FFTExponent; level < kLevels; ++level)
        MiddleLevel(fft, level, n);
    LastLevel(fft, n);
    fft.FFTLevel = kLevels + 1;
    if (accuracy == 1)
        MagnitudeFein(fft, n, shift);
    else
        MagnitudeNorm(fft, n, shift);
    FoldLine(fft, n);
}

}  // namespace pirolex
