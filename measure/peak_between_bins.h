#pragma once
// Where a spectral peak lies between the bins of a spectrum.

namespace pirolex {

// The vertex of the parabola through the log powers (in any base, or dB) of a peak's bin and its
// two neighbours, in bins from the middle one; 0 where they make no peak (the parabola opens
// upwards or is flat). Through a Hann window's main lobe this is close to the tone's frequency.
inline double ParabolaVertexOffset(double left, double top, double right) {
    const double curvature = left - 2.0 * top + right;
    return curvature < 0.0 ? 0.5 * (left - right) / curvature : 0.0;
}

}  // namespace pirolex
