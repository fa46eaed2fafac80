// The fly-by model against the geometry it stands for: sound emitted at tau is heard at
// tau + r(tau) / c with the Doppler factor of that moment, computed here forwards, while the model
// solves backwards from the time heard.
#include "flyby_model.h"

#include "doppler_speed.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pirolex {
namespace {

FlybyModel Model(double speed, double distance) {
    FlybyModel m;
    m.restHz = 1000.0;
    m.speed = speed;
    m.closestTime = 4.0;
    m.distance = distance;
    m.soundSpeed = SpeedOfSound(15.0);
    return m;
}

TEST(FlybyModel, SpeedOfSoundIsTheProgramsFormula) {
    EXPECT_NEAR(SpeedOfSound(15.0), 340.008, 0.001);
    EXPECT_NEAR(SpeedOfSound(-10.0), 324.925, 0.001);
    EXPECT_NEAR(SoundSpeedKmh(15.0), 1224.032, 0.001) << "the marker speed's c is the same";
}

// The sound sent at the closest point is heard d / c later, neither rising nor falling: the
// tone then is the rest tone.
TEST(FlybyModel, TheClosestPointIsHeardItsDistanceOverTheSpeedOfSoundLater) {
    const struct {
        double speed, distance, heard;
    } cases[] = {{10.0, 3.0, 4.0 + 3.0 / 340.008}, {50.0, 34.0008, 4.1}, {95.0, 100.0, 4.0 + 100.0 / 340.008}};
    for (const auto& c : cases) {
        const FlybyModel m = Model(c.speed, c.distance);
        EXPECT_NEAR(m.HeardAtClosest(), c.heard, 1e-6) << c.distance;
        EXPECT_NEAR(m.FrequencyAt(m.HeardAtClosest()), m.restHz, 1e-9 * m.restHz) << c.distance;
    }
}

TEST(FlybyModel, HearsEachEmissionWithItsDelayAndDopplerFactor) {
    for (const FlybyModel& m : {Model(10.0, 3.0), Model(50.0, 20.0), Model(95.0, 100.0)}) {
        for (double tau : {-60.0, 1.0, 3.9, 4.0, 4.05, 7.0, 80.0}) {
            const double along = m.speed * (tau - m.closestTime);
            const double r = std::hypot(along, m.distance);
            const double heard = tau + r / m.soundSpeed;
            const double expected = m.restHz * m.soundSpeed / (m.soundSpeed + m.speed * along / r);
            EXPECT_NEAR(m.FrequencyAt(heard), expected, 1e-9 * expected) << m.speed << " m/s, tau " << tau;
        }
    }
}

TEST(FlybyModel, RestFrequencyArrivesFromTheClosestPointAndLimitsAreTheFarField) {
    const FlybyModel m = Model(50.0, 20.0);
    EXPECT_DOUBLE_EQ(m.FrequencyAt(m.closestTime + m.distance / m.soundSpeed), m.restHz);
    EXPECT_NEAR(m.ApproachHz(), 1000.0 * 340.008 / (340.008 - 50.0), 0.01);
    EXPECT_NEAR(m.RecedeHz(), 1000.0 * 340.008 / (340.008 + 50.0), 0.01);
    EXPECT_NEAR(m.FrequencyAt(-1e5), m.ApproachHz(), 1e-6);
    EXPECT_NEAR(m.FrequencyAt(1e5), m.RecedeHz(), 1e-6);
    EXPECT_NEAR(m.CosineAt(-1e5), -1.0, 1e-9);
    EXPECT_NEAR(m.CosineAt(1e5), 1.0, 1e-9);
}

double& Parameter(FlybyModel& m, int k) {
    double* parameters[] = {&m.restHz, &m.speed, &m.closestTime, &m.distance};
    return *parameters[k];
}

// The fit relies on these derivatives; central differences of the plain evaluation.
TEST(FlybyModel, GradientMatchesDifferences) {
    const FlybyModel m = Model(70.0, 8.0);
    for (double t : {0.5, 3.95, 4.02, 4.1, 9.0}) {
        std::array<double, 4> gradient{};
        m.FrequencyAt(t, gradient);
        for (int k = 0; k < 4; ++k) {
            FlybyModel up = m, down = m;
            const double h = 1e-6 * (std::fabs(Parameter(up, k)) + 1.0);
            Parameter(up, k) += h;
            Parameter(down, k) -= h;
            const double numeric = (up.FrequencyAt(t) - down.FrequencyAt(t)) / (2.0 * h);
            EXPECT_NEAR(gradient[static_cast<size_t>(k)], numeric, 1e-5 * (std::fabs(numeric) + 1.0))
                << "t " << t << " parameter " << k;
        }
    }
}

}  // namespace
}  // namespace pirolex
