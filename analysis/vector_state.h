#pragma once
// The analysis is SSE2 code. On x86 processors with AVX, SSE instructions that run while some
// earlier AVX code has left the upper halves of the YMM registers in use get a false dependency
// on them, and our loops then run several times slower. Qt leaves that state behind (creating the
// QGuiApplication is enough, and drawing a line does it again), and the pass runs between Qt
// calls. Clearing the state before each line costs one instruction.

namespace pirolex {

inline void ClearUpperVectorState() {
#if defined(__x86_64__) && !defined(__AVX__)
    // Without AVX code of our own there is nothing live in the upper halves to lose.
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx) asm volatile("vzeroupper");
#endif
}

}  // namespace pirolex
