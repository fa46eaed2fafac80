#pragma once
// Two doubles in one SSE2 register (GCC/Clang vector extension). The analysis uses it where a
// loop does the same scalar operation twice: on Re and Im of one complex row, or on two
// neighbouring bins. Each lane rounds exactly as the scalar operation would, so results are the
// same doubles; the pair only does two at once where the compiler does not find that by itself.

#include "fft.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace pirolex {

using Pair = double __attribute__((vector_size(16)));
using PairMask = int64_t __attribute__((vector_size(16)));  // comparisons give -1 or 0 per lane

static_assert(sizeof(ComplexRow) == sizeof(Pair) && std::is_trivially_copyable_v<ComplexRow>);

inline Pair LoadPair(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline Pair LoadRow(const ComplexRow& row) {
    Pair v;
    std::memcpy(&v, &row, sizeof v);
    return v;
}
// ComplexRow is trivially copyable; only its member initialisers make GCC call it non-trivial.
inline void StoreRow(ComplexRow& row, Pair v) {
    std::memcpy(static_cast<void*>(&row), &v, sizeof v);
}

inline Pair Splat(double x) { return Pair{x, x}; }

// |x| per lane, by clearing the sign bit as fabs does.
inline Pair AbsPair(Pair v) {
    const PairMask noSign = {INT64_MAX, INT64_MAX};
    return reinterpret_cast<Pair>(reinterpret_cast<PairMask>(v) & noSign);
}

// std::max and std::min per lane: max(a, b) = a < b ? b : a, min(a, b) = b < a ? b : a.
inline Pair MaxPair(Pair a, Pair b) { return a < b ? b : a; }
inline Pair MinPair(Pair a, Pair b) { return b < a ? b : a; }

// (first lanes of a and b), (second lanes of a and b).
inline Pair LowLanes(Pair a, Pair b) { return __builtin_shufflevector(a, b, 0, 2); }
inline Pair HighLanes(Pair a, Pair b) { return __builtin_shufflevector(a, b, 1, 3); }

}  // namespace pirolex
