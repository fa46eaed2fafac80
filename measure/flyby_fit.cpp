#include "flyby_fit.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <optional>

namespace pirolex {

namespace {

using Vector4 = Eigen::Vector4d;
using Matrix4 = Eigen::Matrix4d;

constexpr size_t kFewestPoints = 12;
constexpr size_t kStartPoints = 300;    // the starts are compared on a thinned track
constexpr double kSlowest = 0.3;        // m/s
constexpr double kFastestShare = 0.95;  // of the speed of sound
constexpr double kNearest = 0.05;       // m
constexpr double kFarthest = 5000.0;    // m
constexpr int kStartIterations = 40;
constexpr int kFinalIterations = 100;
constexpr int kReweightRounds = 4;
constexpr double kCauchyWidth = 2.385;  // 95 % efficiency for Gaussian residuals
constexpr double kStartDistances[] = {1.0, 3.0, 10.0, 30.0, 100.0};
constexpr double kStartSpeedFactors[] = {1.0, 1.6};

struct Points {
    std::vector<double> t, f, w;
};

Vector4 Params(const FlybyModel& m) { return {m.restHz, m.speed, m.closestTime, m.distance}; }

FlybyModel WithParams(FlybyModel m, const Vector4& x) {
    m.restHz = x[0];
    m.speed = x[1];
    m.closestTime = x[2];
    m.distance = x[3];
    return m;
}

bool Physical(const FlybyModel& m) {
    return m.restHz > 0.0 && m.speed > kSlowest && m.speed < kFastestShare * m.soundSpeed &&
           m.distance > kNearest && m.distance < kFarthest;
}

double WeightedCost(const FlybyModel& m, const Points& p) {
    double cost = 0.0;
    for (size_t i = 0; i < p.t.size(); ++i) {
        const double r = p.f[i] - m.FrequencyAt(p.t[i]);
        cost += p.w[i] * r * r;
    }
    return cost;
}

struct Normal {
    Matrix4 jtj = Matrix4::Zero();
    Vector4 jtr = Vector4::Zero();
};

// holdDistance: the distance is given, not fitted; its column is left out.
Normal NormalEquations(const FlybyModel& m, const Points& p, bool holdDistance) {
    Normal n;
    std::array<double, 4> g{};
    for (size_t i = 0; i < p.t.size(); ++i) {
        const double r = p.f[i] - m.FrequencyAt(p.t[i], g);
        const Vector4 j(g[0], g[1], g[2], holdDistance ? 0.0 : g[3]);
        n.jtj.noalias() += p.w[i] * j * j.transpose();
        n.jtr += p.w[i] * r * j;
    }
    return n;
}

// A step that changes no parameter beyond rounding: the fit is at its minimum.
bool Negligible(const Vector4& step, const Vector4& x) {
    return (step.array().abs() <= 1e-10 * (x.array().abs() + 1.0)).all();
}

// Weighted least squares by Levenberg-Marquardt with Marquardt's scaling, which copes with
// parameters as different in size as a frequency in kHz and a time in seconds. Steps that leave
// the physical range count as failed steps.
FlybyModel LevenbergMarquardt(FlybyModel m, const Points& p, int iterations, bool holdDistance, bool& converged) {
    converged = false;
    double lambda = 1e-3;
    double cost = WeightedCost(m, p);
    for (int it = 0; it < iterations && !converged; ++it) {
        const Normal n = NormalEquations(m, p, holdDistance);
        bool improved = false;
        for (int attempt = 0; attempt < 16 && !improved && !converged; ++attempt) {
            Matrix4 a = n.jtj;
            a.diagonal() += lambda * n.jtj.diagonal().cwiseMax(1e-12);
            if (holdDistance) a(3, 3) = 1.0;
            const Vector4 step = a.ldlt().solve(n.jtr);
            if (Negligible(step, Params(m))) {
                converged = true;
                break;
            }
            const FlybyModel trial = WithParams(m, Params(m) + step);
            const double trialCost = Physical(trial) ? WeightedCost(trial, p) : HUGE_VAL;
            if (trialCost <= cost) {
                converged = cost - trialCost <= 1e-12 * cost;
                m = trial;
                cost = trialCost;
                lambda = std::max(lambda / 3.0, 1e-9);
                improved = true;
            } else {
                lambda *= 4.0;
            }
        }
        if (!improved) break;  // stuck against the physical range, or converged
    }
    return m;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    auto middle = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), middle, v.end());
    return *middle;
}

std::vector<double> Residuals(const FlybyModel& m, const Points& p) {
    std::vector<double> r(p.t.size());
    for (size_t i = 0; i < r.size(); ++i) r[i] = p.f[i] - m.FrequencyAt(p.t[i]);
    return r;
}

// 1.4826 MAD: the standard deviation for Gaussian residuals, unmoved by a few wild ones.
double RobustSpread(const std::vector<double>& residuals) {
    std::vector<double> a(residuals.size());
    std::transform(residuals.begin(), residuals.end(), a.begin(), [](double r) { return std::fabs(r); });
    return 1.4826 * Median(a);
}

// The first guess from the track itself: the tone early and late, where it crosses between.
FlybyModel FirstGuess(const Points& p, double c) {
    const size_t n = p.t.size(), edge = std::max<size_t>(3, n / 10);
    const double early = Median({p.f.begin(), p.f.begin() + static_cast<std::ptrdiff_t>(edge)});
    const double late = Median({p.f.end() - static_cast<std::ptrdiff_t>(edge), p.f.end()});
    FlybyModel m;
    m.soundSpeed = c;
    m.restHz = 2.0 * early * late / (early + late);
    m.speed = std::max(2.0 * kSlowest, c * (early - late) / (early + late));
    m.closestTime = p.t[n / 2];
    for (size_t i = 1; i < n; ++i) {
        if (p.f[i] > m.restHz) continue;
        m.closestTime = p.t[i - 1] +
                        (p.t[i] - p.t[i - 1]) * (p.f[i - 1] - m.restHz) / std::max(p.f[i - 1] - p.f[i], 1e-9);
        break;
    }
    return m;
}

Points Thinned(const Points& p, size_t count) {
    const size_t stride = std::max<size_t>(1, p.t.size() / count);
    Points out;
    for (size_t i = 0; i < p.t.size(); i += stride) {
        out.t.push_back(p.t[i]);
        out.f.push_back(p.f[i]);
        out.w.push_back(1.0);
    }
    return out;
}

// Tries every start on a thinned track and keeps the one whose residuals are smallest in the
// median: a wrong distance can otherwise settle in a local minimum.
FlybyModel BestStart(const Points& p, double c, std::optional<double> distance) {
    const Points thin = Thinned(p, kStartPoints);
    const FlybyModel guess = FirstGuess(thin, c);
    FlybyModel best = guess;
    double bestSpread = HUGE_VAL;
    std::vector<double> distances(std::begin(kStartDistances), std::end(kStartDistances));
    if (distance) distances.assign(1, *distance);
    for (double factor : kStartSpeedFactors) {
        for (double d : distances) {
            FlybyModel start = guess;
            start.speed = std::min(guess.speed * factor, 0.8 * c);
            start.distance = d;
            // The tone crosses f0 when the sound of the closest point arrives, d / c later.
            start.closestTime = guess.closestTime - d / c;
            bool converged = false;
            const FlybyModel fitted =
                LevenbergMarquardt(start, thin, kStartIterations, distance.has_value(), converged);
            const double spread = RobustSpread(Residuals(fitted, thin));
            if (spread < bestSpread) bestSpread = spread, best = fitted;
        }
    }
    return best;
}

void CauchyWeights(const std::vector<double>& residuals, Points& p) {
    const double scale = kCauchyWidth * std::max(RobustSpread(residuals), 1e-9);
    for (size_t i = 0; i < residuals.size(); ++i) {
        const double u = residuals[i] / scale;
        p.w[i] = 1.0 / (1.0 + u * u);
    }
}

// How far residuals stay alike from frame to frame: the first lag at which their
// autocorrelation is no longer positive. The frames overlap, and the track follows the engine's
// rpm as well as the pass, so neighbours are far from independent.
size_t CorrelationLength(const std::vector<double>& x) {
    const size_t n = x.size();
    double variance = 0.0;
    for (double v : x) variance += v * v;
    if (variance <= 0.0) return 0;
    for (size_t lag = 1; lag < n / 4; ++lag) {
        double sum = 0.0;
        for (size_t i = 0; i + lag < n; ++i) sum += x[i] * x[i + lag];
        if (sum <= 0.0) return lag;
    }
    return n / 4;
}

// The parameters' covariance from the sandwich (J'WJ)^-1 M (J'WJ)^-1, whose middle M sums the
// products of neighbouring points' scores w r J' with Bartlett weights out to twice the
// correlation length (Newey and West): correlated residuals then count as far as they move the
// fit, a slow wobble of the rpm less than its size suggests, a wobble that mimics a pass fully.
Matrix4 Covariance(const FlybyModel& m, const Points& p, const std::vector<double>& residuals) {
    const size_t n = residuals.size();
    std::vector<Vector4> score(n);
    std::vector<double> weighted(n);
    Matrix4 jtj = Matrix4::Zero();
    std::array<double, 4> g{};
    for (size_t i = 0; i < n; ++i) {
        m.FrequencyAt(p.t[i], g);
        const Vector4 j(g[0], g[1], g[2], g[3]);
        jtj.noalias() += p.w[i] * j * j.transpose();
        weighted[i] = p.w[i] * residuals[i];
        score[i] = weighted[i] * j;
    }
    const size_t reach = std::min(n - 1, 2 * CorrelationLength(weighted));
    Matrix4 middle = Matrix4::Zero();
    for (size_t i = 0; i < n; ++i) middle.noalias() += score[i] * score[i].transpose();
    for (size_t lag = 1; lag <= reach; ++lag) {
        const double bartlett = 1.0 - static_cast<double>(lag) / static_cast<double>(reach + 1);
        Matrix4 sum = Matrix4::Zero();
        for (size_t i = 0; i + lag < n; ++i) sum.noalias() += score[i] * score[i + lag].transpose();
        middle += bartlett * (sum + sum.transpose());
    }
    const Matrix4 bread = jtj.inverse();
    const double dof = static_cast<double>(n) / std::max(static_cast<double>(n) - 4.0, 1.0);
    return dof * bread * middle * bread;
}

}  // namespace

FlybyFit FitFlyby(const std::vector<double>& times, const std::vector<double>& frequencies,
                  double soundSpeed, std::optional<double> distance) {
    FlybyFit fit;
    if (times.size() < kFewestPoints || times.size() != frequencies.size()) return fit;
    Points p{times, frequencies, std::vector<double>(times.size(), 1.0)};
    FlybyModel m = BestStart(p, soundSpeed, distance);
    bool converged = false;
    for (int round = 0; round < kReweightRounds; ++round) {
        CauchyWeights(Residuals(m, p), p);
        m = LevenbergMarquardt(m, p, kFinalIterations, distance.has_value(), converged);
    }
    const std::vector<double> residuals = Residuals(m, p);
    fit.converged = converged && Physical(m);
    fit.model = m;
    const Matrix4 covariance = Covariance(m, p, residuals);
    fit.speedSigma = std::sqrt(std::max(covariance(1, 1), 0.0));
    return fit;
}

}  // namespace pirolex
