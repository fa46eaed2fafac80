#pragma once
// One fly-by case of the end-to-end tests and the speed read back from the speed label.

#include "flyby.h"

#include <string>

namespace pirolex::test {

struct FlybyCase {
    double speedKmh;
    int temperature;
    int channels;
    int sampleRate;
};

std::string CaseName(const FlybyCase& c);
flyby::Params ParamsFor(const FlybyCase& c);

// "Geschwindigkeit: 64.42 km/h (± 6.44 km/h) " -> speed 64.42, resolution 6.44.
struct SpeedReading {
    bool ok = false;
    double speed = 0;
    double resolution = 0;
};
SpeedReading ParseSpeedLabel(const std::string& text);

}  // namespace pirolex::test
