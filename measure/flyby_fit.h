#pragma once
// Fitting the fly-by model to a tone track: a robust Levenberg-Marquardt fit of f0, v, t0 and d
// (c is known from the temperature), started from several distances, with the speed's
// uncertainty from the fit, widened for residuals that are correlated from frame to frame.

#include "flyby_model.h"

#include <optional>
#include <vector>

namespace pirolex {

struct FlybyFit {
    bool converged = false;
    FlybyModel model;
    double speedSigma = 0.0;  // m/s, one standard deviation
};

// times in s and frequencies in Hz, of equal length and in time order; soundSpeed in m/s.
// Not converged when there are too few points or the fit leaves the physical range. With a
// distance, the distance is held there and the others fitted: where the fall is not heard,
// what the speed makes of a distance the track cannot tell.
FlybyFit FitFlyby(const std::vector<double>& times, const std::vector<double>& frequencies,
                  double soundSpeed, std::optional<double> distance = std::nullopt);

}  // namespace pirolex
