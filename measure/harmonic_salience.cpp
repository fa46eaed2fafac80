#include "harmonic_salience.h"

#include "peak_between_bins.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pirolex {

namespace {

constexpr int32_t kFloorBlockBins = 32;  // ~350 Hz: wide against a tone's peak, narrow against colour
constexpr int32_t kFloorFrameStep = 4;
constexpr double kHighestBaseHz = 13000.0;  // an 8 kHz tone approaching at 350 km/h, and some room
constexpr int32_t kSmoothFrames = 5;        // ~60 ms at the usual hop
// Low enough that the pass's own tone, which stays near its departure pitch for most of a
// recording that starts with the pass, is not taken for background.
constexpr double kBackgroundPercentile = 0.1;
// Harmonic k counts with kHarmonicWeight^(k - 1). Less than 1, so that a pure tone is most salient
// at its own frequency and not equally at its half, third and quarter, where the ridge could
// otherwise slip down to at no cost.
constexpr float kHarmonicWeight = 0.8f;

// 10 log10(x) to about 1e-4 dB without a library call per bin: the exponent from the float's
// bits, log2 of the mantissa m in [1, 2) from the series of atanh((m - 1) / (m + 1)).
float FastDb(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127;
    bits = (bits & 0x7FFFFF) | 0x3F800000;
    float m;
    std::memcpy(&m, &bits, sizeof m);
    const float y = (m - 1.0f) / (m + 1.0f), y2 = y * y;
    const float log2m = 2.8853901f * y * (1.0f + y2 * (1.0f / 3 + y2 * (1.0f / 5 + y2 * (1.0f / 7))));
    return 3.0103f * (static_cast<float>(exponent) + log2m);
}

// Where block b's centre lies, in bins.
float BlockCentre(int32_t b, int32_t blocks, int32_t bins) {
    return (static_cast<float>(b) + 0.5f) * static_cast<float>(bins) / static_cast<float>(blocks) - 0.5f;
}

// Linear between the blocks' centres, flat beyond the outer ones.
float FloorAt(const float* medians, int32_t blocks, int32_t bins, int32_t bin) {
    if (blocks == 1) return medians[0];
    const float x = std::clamp(
        (static_cast<float>(bin) + 0.5f) * static_cast<float>(blocks) / static_cast<float>(bins) - 0.5f, 0.0f,
        static_cast<float>(blocks - 1));
    const int32_t b = std::min(static_cast<int32_t>(x), blocks - 2);
    const float frac = x - static_cast<float>(b);
    return medians[b] * (1.0f - frac) + medians[b + 1] * frac;
}

// The noise floor of one frame in dB, per block of bins: the block's lower quartile, or the
// higher of its neighbours' where that is lower, raised to where the median of noise alone lies
// (the power of noise in a bin is exponentially distributed: quartile and median are 3.8 dB
// apart). A strong tone's window skirts stay above the noise for dozens of bins and lift the
// block it is in, but not the blocks on both sides of it.
void FindFloor(const float* row, int32_t bins, int32_t blocks, float* floors, std::vector<float>& scratch) {
    constexpr float kQuartileToMedianDb = 3.8f;
    for (int32_t b = 0; b < blocks; ++b) {
        const int32_t first = b * bins / blocks, last = (b + 1) * bins / blocks;
        scratch.assign(row + first, row + last);
        auto quartile = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 4);
        std::nth_element(scratch.begin(), quartile, scratch.end());
        floors[b] = *quartile;
    }
    float previous = floors[0];
    for (int32_t b = 0; b < blocks; ++b) {
        const float own = floors[b];
        const float next = b + 1 < blocks ? floors[b + 1] : own;
        const float neighbours = b == 0 ? next : b + 1 == blocks ? previous : std::max(previous, next);
        floors[b] = std::min(own, neighbours) + kQuartileToMedianDb;
        previous = own;
    }
}

// row -= FloorAt(bin), a straight piece at a time.
void SubtractFloor(float* row, int32_t bins, int32_t blocks, const float* medians) {
    int32_t bin = 0;
    for (; bin < bins && (blocks == 1 || static_cast<float>(bin) <= BlockCentre(0, blocks, bins)); ++bin)
        row[bin] -= medians[0];
    for (int32_t b = 0; b + 1 < blocks; ++b) {
        const float from = BlockCentre(b, blocks, bins), to = BlockCentre(b + 1, blocks, bins);
        const float slope = (medians[b + 1] - medians[b]) / (to - from);
        for (; bin < bins && static_cast<float>(bin) <= to; ++bin)
            row[bin] -= medians[b] + slope * (static_cast<float>(bin) - from);
    }
    for (; bin < bins; ++bin) row[bin] -= medians[blocks - 1];
}

// How the grid's cells read a whitened frame: below `split` a cell is narrower than a bin and
// takes the level interpolated at its frequency; from there on it takes its highest bin.
struct CellReaders {
    int32_t split = 0;
    std::vector<int32_t> firstBin;
    std::vector<int32_t> lastBin;  // for the wide cells
    std::vector<float> frac;       // for the narrow ones

    void Read(const float* row, float* level) const {
        for (int32_t m = 0; m < split; ++m) {
            const float* at = row + firstBin[static_cast<size_t>(m)];
            level[m] = std::max(0.0f, at[0] + frac[static_cast<size_t>(m)] * (at[1] - at[0]));
        }
        for (size_t m = static_cast<size_t>(split); m < firstBin.size(); ++m) {
            float best = 0.0f;
            for (int32_t b = firstBin[m]; b <= lastBin[m]; ++b) best = std::max(best, row[b]);
            level[m] = best;
        }
    }
};

CellReaders MakeCellReaders(const LogGrid& grid, int32_t cellCount, const FullSpectrogram& s) {
    CellReaders readers;
    const double binHz = s.BinHz();
    for (int32_t m = 0; m < cellCount; ++m) {
        const double lo = grid.Hz(m - 0.5) / binHz, hi = grid.Hz(m + 0.5) / binHz;
        if (hi - lo < 1.0) {
            const double x = std::min(grid.Hz(m) / binHz, s.binCount - 1.001);
            const auto b = static_cast<int32_t>(x);
            readers.split = m + 1;
            readers.firstBin.push_back(b);
            readers.lastBin.push_back(b);
            readers.frac.push_back(static_cast<float>(x - b));
        } else {
            readers.firstBin.push_back(std::min(static_cast<int32_t>(std::ceil(lo)), s.binCount - 1));
            readers.lastBin.push_back(std::min(static_cast<int32_t>(std::floor(hi)), s.binCount - 1));
            readers.frac.push_back(0.0f);
        }
    }
    return readers;
}

// How far each bin stands out of the spectrum beside it, no more than above the floor: a tone's
// peak drops by tens of dB at the edge of a Hann window's main lobe, noise (a broadband burst,
// wind, tyres) no more than its random ripple. Summed over harmonics, the levels of a broad
// burst low down would otherwise outweigh a clear tone above it.
void Prominence(const float* row, int32_t bins, int32_t lobe, float* out) {
    for (int32_t b = 0; b < bins; ++b) {
        const float left = b >= lobe ? row[b - lobe] : row[b];
        const float right = b + lobe < bins ? row[b + lobe] : row[b];
        out[b] = std::min(row[b], row[b] - std::max(left, right));
    }
}

// The first bin of a frame that lies at or near a low-pass edge: where the floor drops by
// kCliffDb within two blocks and stays down up to the top, as a coder's or a converter's
// low-pass makes it. The edge wanders from frame to frame and leaves striations below it, lines
// that are no tone, so the bins from kCliffBlocks below it on are left out. binCount where the
// frame has no such edge: air and microphones roll off far more gently.
constexpr float kCliffDb = 20.0f;
constexpr int32_t kCliffBlocks = 2;

int32_t BelowLowPass(const WhitenedSpectrogram& w, int32_t frame) {
    const int32_t blocks = w.floorBlocks, bins = w.layout.binCount;
    const float* floors = w.floorDb.data() + static_cast<size_t>(frame) * static_cast<size_t>(blocks);
    float above = -1e30f;
    for (int32_t b = blocks - 1; b >= 2; --b) {
        above = std::max(above, floors[b]);
        if (floors[b - 2] - above >= kCliffDb) return std::max(0, b - 1 - kCliffBlocks) * bins / blocks;
    }
    return bins;
}

// Sums the harmonics of every candidate in one frame.
void FrameSalience(const float* whitenedRow, const CellReaders& readers, const std::vector<int32_t>& offsets,
                   std::vector<float>& cellLevel, float* out, int32_t candidates) {
    readers.Read(whitenedRow, cellLevel.data());
    const auto extended = static_cast<int32_t>(cellLevel.size());
    std::fill(out, out + candidates, 0.0f);
    float weight = 1.0f;
    for (int32_t offset : offsets) {
        const int32_t end = std::min(candidates, extended - offset);
        for (int32_t j = 0; j < end; ++j) out[j] += weight * cellLevel[static_cast<size_t>(j + offset)];
        weight *= kHarmonicWeight;
    }
}

// Sums the harmonics frame by frame and writes each frame's salience averaged over its
// neighbours in time, keeping only the last few raw frames.
void SmoothedSalience(const WhitenedSpectrogram& whitened, const CellReaders& readers,
                      const std::vector<int32_t>& offsets, Salience& s) {
    const int32_t cells = s.grid.cells, half = kSmoothFrames / 2;
    std::vector<float> ring(static_cast<size_t>(kSmoothFrames) * static_cast<size_t>(cells));
    std::vector<float> cellLevel(readers.firstBin.size());
    const int32_t bins = whitened.layout.binCount;
    const int32_t lobe = 2 * whitened.layout.fftSize / std::max(1, whitened.layout.frameLength);
    std::vector<float> prominent(static_cast<size_t>(bins));
    const auto raw = [&](int32_t frame) {
        return ring.data() + static_cast<size_t>(frame % kSmoothFrames) * static_cast<size_t>(cells);
    };
    const auto emit = [&](int32_t n) {
        const int32_t from = std::max(0, n - half), to = std::min(s.frameCount - 1, n + half);
        float* out = s.value.data() + static_cast<size_t>(n) * static_cast<size_t>(cells);
        std::copy(raw(from), raw(from) + cells, out);
        for (int32_t k = from + 1; k <= to; ++k) {
            const float* in = raw(k);
            for (int32_t j = 0; j < cells; ++j) out[j] += in[j];
        }
        const float scale = 1.0f / static_cast<float>(to - from + 1);
        for (int32_t j = 0; j < cells; ++j) out[j] *= scale;
    };
    for (int32_t m = 0; m < s.frameCount; ++m) {
        Prominence(whitened.Row(m), bins, lobe, prominent.data());
        std::fill(prominent.begin() + BelowLowPass(whitened, m), prominent.end(), 0.0f);
        FrameSalience(prominent.data(), readers, offsets, cellLevel, raw(m), cells);
        if (m >= half) emit(m - half);
    }
    for (int32_t n = std::max(0, s.frameCount - half); n < s.frameCount; ++n) emit(n);
}

// Each cell's low percentile over time, from every few frames, gathered a strip of cells at a
// time so the reads stay in the cache.
void SubtractBackground(Salience& s) {
    constexpr int32_t kStrip = 16;
    const int32_t cells = s.grid.cells;
    const int32_t stride = std::max(1, s.frameCount / 256);
    const int32_t samples = (s.frameCount + stride - 1) / stride;
    const auto rank = static_cast<std::ptrdiff_t>(kBackgroundPercentile * (samples - 1));
    std::vector<float> background(static_cast<size_t>(cells));
    std::vector<float> strip(static_cast<size_t>(kStrip) * static_cast<size_t>(samples));
    for (int32_t j0 = 0; j0 < cells; j0 += kStrip) {
        const int32_t width = std::min(kStrip, cells - j0);
        for (int32_t i = 0; i < samples; ++i) {
            const float* row = s.Row(i * stride) + j0;
            for (int32_t jj = 0; jj < width; ++jj) strip[static_cast<size_t>(jj * samples + i)] = row[jj];
        }
        for (int32_t jj = 0; jj < width; ++jj) {
            float* column = strip.data() + static_cast<size_t>(jj * samples);
            std::nth_element(column, column + rank, column + samples);
            background[static_cast<size_t>(j0 + jj)] = column[rank];
        }
    }
    for (int32_t n = 0; n < s.frameCount; ++n) {
        float* row = s.value.data() + static_cast<size_t>(n) * static_cast<size_t>(cells);
        for (int32_t j = 0; j < cells; ++j) row[j] -= background[static_cast<size_t>(j)];
    }
}

}  // namespace

double WhitenedSpectrogram::PowerDb(int32_t frame, int32_t bin) const {
    const float* medians = floorDb.data() + static_cast<size_t>(frame) * static_cast<size_t>(floorBlocks);
    return static_cast<double>(Row(frame)[bin]) + FloorAt(medians, floorBlocks, layout.binCount, bin);
}

double WhitenedSpectrogram::PeakBin(int32_t frame, int32_t bin) const {
    const double l = PowerDb(frame, bin - 1), c = PowerDb(frame, bin), r = PowerDb(frame, bin + 1);
    if (l > c || r > c) return -1.0;
    return bin + std::clamp(ParabolaVertexOffset(l, c, r), -0.5, 0.5);
}

WhitenedSpectrogram Whiten(FullSpectrogram spectrogram) {
    WhitenedSpectrogram out;
    out.levelDb = std::move(spectrogram.power);
    spectrogram.power = {};
    out.layout = std::move(spectrogram);
    const int32_t bins = out.layout.binCount, frames = out.layout.frameCount,
                  blocks = std::max(1, bins / kFloorBlockBins);
    out.floorBlocks = blocks;
    out.floorDb.resize(static_cast<size_t>(frames) * static_cast<size_t>(blocks));
    const auto row = [&](int32_t n) {
        return out.levelDb.data() + static_cast<size_t>(n) * static_cast<size_t>(bins);
    };
    const auto floor = [&](int32_t n) {
        return out.floorDb.data() + static_cast<size_t>(n) * static_cast<size_t>(blocks);
    };
    // The offset keeps digital silence finite; it lies far below any 16-bit noise.
    for (float& level : out.levelDb) level = FastDb(level + 1e-20f);
    // Frames overlap by three quarters, so the floor is found on every few and interpolated
    // between them.
    std::vector<float> scratch;
    const auto isKey = [&](int32_t n) { return n % kFloorFrameStep == 0 || n == frames - 1; };
    for (int32_t n = 0; n < frames; ++n)
        if (isKey(n)) FindFloor(row(n), bins, blocks, floor(n), scratch);
    for (int32_t n = 0; n < frames; ++n) {
        if (!isKey(n)) {
            const int32_t before = n - n % kFloorFrameStep,
                          after = std::min(before + kFloorFrameStep, frames - 1);
            const float t = static_cast<float>(n - before) / static_cast<float>(after - before);
            for (int32_t b = 0; b < blocks; ++b)
                floor(n)[b] = floor(before)[b] * (1.0f - t) + floor(after)[b] * t;
        }
        SubtractFloor(row(n), bins, blocks, floor(n));
    }
    return out;
}

Salience HarmonicSalience(const WhitenedSpectrogram& whitened) {
    const FullSpectrogram& layout = whitened.layout;
    Salience s;
    s.frameCount = layout.frameCount;
    const double nyquist = 0.5 * layout.sampleRate;
    const double highest = std::min(kHighestBaseHz, 0.95 * nyquist);
    if (s.frameCount == 0 || highest <= s.grid.lowHz) return s;
    s.grid.cells = static_cast<int32_t>(s.grid.CellOf(highest)) + 1;
    const auto extended = static_cast<int32_t>(s.grid.CellOf(0.99 * nyquist)) + 1;
    const CellReaders readers = MakeCellReaders(s.grid, extended, layout);
    std::vector<int32_t> offsets;
    for (int k = 1; k <= kSalienceHarmonics; ++k)
        offsets.push_back(static_cast<int32_t>(std::lround(std::log(k) / std::log(s.grid.step))));
    s.value.resize(static_cast<size_t>(s.frameCount) * static_cast<size_t>(s.grid.cells));
    SmoothedSalience(whitened, readers, offsets, s);
    SubtractBackground(s);
    return s;
}

}  // namespace pirolex
