#include "flyby_model.h"

#include <cmath>

namespace pirolex {

namespace {

// Where the source was when the sound heard at t left it.
struct Emission {
    double s;  // emission time minus t0
    double r;  // distance then
    double u;  // v^2 s / r: the source's speed along the line of sight (negative = approaching)
};

// t - t0 = s + r(s) / c squared out: (c^2 - v^2) s^2 - 2 c^2 T s + c^2 T^2 - d^2 = 0, of which
// the smaller root is the one in the past (T - s = r / c >= 0). c^2 T and the root never cancel
// badly: they are close only near T = d / c, where s is near 0 anyway.
Emission EmissionFor(const FlybyModel& m, double t) {
    const double c = m.soundSpeed, v = m.speed, d = m.distance;
    const double T = t - m.closestTime;
    const double c2 = c * c, v2 = v * v;
    const double root = std::sqrt(c2 * v2 * T * T + (c2 - v2) * d * d);
    const double s = (c2 * T - root) / (c2 - v2);
    const double r = std::sqrt(v2 * s * s + d * d);
    return {s, r, r > 0.0 ? v2 * s / r : 0.0};
}

}  // namespace


double FlybyModel::FrequencyAt(double t) const {
    const Emission e = EmissionFor(*this, t);
    return restHz * soundSpeed / (soundSpeed + e.u);
}

// Implicit differentiation of s + r(s) / c = T: dF/ds = 1 + u / c, so each parameter moves s
// by -(dF/dparam) c / (c + u), and r and u follow from their definitions.
double FlybyModel::FrequencyAt(double t, std::array<double, 4>& gradient) const {
    const Emission e = EmissionFor(*this, t);
    const double c = soundSpeed, v = speed, d = distance;
    const double cu = c + e.u;
    const double f = restHz * c / cu;
    const double dfdu = -f / cu;
    const auto du = [&](double ds, double drExtra, double duExtra) {
        const double dr = (v * v * e.s * ds + drExtra) / e.r;
        return duExtra + (v * v / e.r) * ds - (e.u / e.r) * dr;
    };
    const double dsdv = -v * e.s * e.s / (e.r * cu);
    const double dsdt0 = -c / cu;
    const double dsdd = -d / (e.r * cu);
    gradient[0] = c / cu;
    gradient[1] = dfdu * du(dsdv, v * e.s * e.s, 2.0 * v * e.s / e.r);
    gradient[2] = dfdu * du(dsdt0, 0.0, 0.0);
    gradient[3] = dfdu * du(dsdd, d, 0.0);
    return f;
}

double FlybyModel::ApproachHz() const { return restHz * soundSpeed / (soundSpeed - speed); }
double FlybyModel::RecedeHz() const { return restHz * soundSpeed / (soundSpeed + speed); }

double FlybyModel::CosineAt(double t) const {
    const Emission e = EmissionFor(*this, t);
    return speed > 0.0 ? e.u / speed : 0.0;
}

double FlybyModel::HeardAtClosest() const { return closestTime + distance / soundSpeed; }

}  // namespace pirolex
