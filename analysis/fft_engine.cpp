#include "fft_engine.h"

#include "runtime_error.h"

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

void CheckLevel(const FFTEngine& fft) {
    if (fft.FFTLevel < 1 || fft.FFTLevel > kLevels) Fail(msg::kRangeCheck);
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

// "norm": larger part plus 0.33 times the smaller one. Dividing by N and multiplying by 1/N give
// the same double because N is a power of two.
void MagnitudeNorm(FFTEngine& fft, int32_t n, int shift) {
    const double inv = 1.0 / n;
    ComplexRow* out = fft.FFTOutput.data();
    ComplexRow* in = fft.FFTInput.data();
    const int32_t* rev = fft.BitReverse.data();
    for (int32_t r = 0; r < n; ++r) {
        const double a = std::fabs(out[r].Re);
        const double b = std::fabs(out[r].Im);
        out[r].Re = a;
        out[r].Im = b;
        const double m = a >= b ? (a + 0.33 * b) * inv : (b + 0.33 * a) * inv;
        in[rev[r] >> shift].Re = m;
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
}

// The plan's lower rows never turn, and all upper rows of one group of 2d rows share one angle,
// so the angle is looked up once per group.
void FFTtwiddle(const AnalysisState& state, FFTEngine& fft) {
    CheckLevel(fft);
    const int32_t level = fft.FFTLevel;
    const int32_t n = state.FFTMask + 1;
    const int32_t d = kTableSize >> level;
    ComplexRow* in = fft.FFTInput.data();
    const ComplexRow* out = fft.FFTOutput.data();
    fft.FFTInput = fft.FFTOutput;
    for (int32_t base = 0; base + d < n; base += 2 * d) {
        const int32_t t = fft.LevelTable[base + d][level].Twiddle;
        if (t <= 0) continue;
        const double s = fft.TrigTable[t].Sine;
        const double c = fft.TrigTable[t].Cosine;
        for (int32_t r = base + d; r < base + 2 * d; ++r) {
            const double re = out[r].Re;
            const double im = out[r].Im;
            in[r].Re = re * c + im * s;
            in[r].Im = im * c - re * s;
        }
    }
}

void FFTbutterfly(const AnalysisState& state, FFTEngine& fft) {
    CheckLevel(fft);
    const int32_t n = state.FFTMask + 1;
    const int32_t d = kTableSize >> fft.FFTLevel;
    const ComplexRow* in = fft.FFTInput.data();
    ComplexRow* out = fft.FFTOutput.data();
    if (d >= n) {
        // A level above the size's first one: every row below N is a lower row.
        for (int32_t r = 0; r < n; ++r)
            out[r] = {in[r].Re + in[r + d].Re, in[r].Im + in[r + d].Im};
        return;
    }
    for (int32_t base = 0; base < n; base += 2 * d) {
        for (int32_t r = base; r < base + d; ++r) {
            const ComplexRow a = in[r];
            const ComplexRow b = in[r + d];
            out[r] = {a.Re + b.Re, a.Im + b.Im};
            // The upper row is written as (-b) + a; the same double as a - b.
            out[r + d] = {(-b.Re) + a.Re, (-b.Im) + a.Im};
        }
    }
}

void FFTline(const AnalysisState& state, FFTEngine& fft, int accuracy) {
    CheckSize(state);
    const int32_t n = state.FFTMask + 1;
    const int shift = kLevels - state.FFTExponent;  // k(r) = BitReverse[r] div TableStride
    const int32_t first = kLevels + 1 - state.FFTExponent;
    for (fft.FFTLevel = first; fft.FFTLevel <= kLevels; ++fft.FFTLevel) {
        // The first level reads the block itself; a twiddle pass there would overwrite it with
        // the previous line's output.
        if (fft.FFTLevel > first) FFTtwiddle(state, fft);
        FFTbutterfly(state, fft);
    }
    if (accuracy == 1)
        MagnitudeFein(fft, n, shift);
    else
        MagnitudeNorm(fft, n, shift);
    FoldLine(fft, n);
}

}  // namespace pirolex
