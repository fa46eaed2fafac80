#pragma once
// The frequency a microphone hears from a tone source flying past it on a straight line at
// constant speed, with the propagation delay: the sound heard at t left the source at tau with
//   t = tau + r(tau) / c,   r(tau) = sqrt(v^2 (tau - t0)^2 + d^2),
// and its frequency is f(t) = f0 c / (c + v^2 (tau - t0) / r). The emission time has a closed
// form (a quadratic in tau - t0), so the model needs no iteration.

#include "doppler_speed.h"  // SpeedOfSound

#include <array>

namespace pirolex {

struct FlybyModel {
    double restHz = 0.0;        // f0: the tone as the source emits it
    double speed = 0.0;         // v, m/s
    double closestTime = 0.0;   // t0: when the source is nearest, s on the recording's clock
    double distance = 0.0;      // d: the nearest distance, m
    double soundSpeed = 343.0;  // c, m/s; a known constant, not fitted

    // The frequency heard at time t.
    double FrequencyAt(double t) const;
    // The same and its derivatives by restHz, speed, closestTime and distance, in that order.
    double FrequencyAt(double t, std::array<double, 4>& gradient) const;
    // The limits far before and far after the pass: f0 c / (c - v) and f0 c / (c + v).
    double ApproachHz() const;
    double RecedeHz() const;
    // The cosine of the angle between the flight direction and the line from the microphone to
    // where the sound heard at t was emitted: -1 far before the pass, +1 far after.
    double CosineAt(double t) const;
    // When the sound sent from the closest point reaches the microphone: t0 + d / c. The moment a
    // pass is heard, listed by and found again by.
    double HeardAtClosest() const;
};

}  // namespace pirolex
