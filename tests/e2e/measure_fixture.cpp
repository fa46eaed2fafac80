#include "measure_fixture.h"

#include <cstdio>
#include <sstream>

namespace pirolex::test {

std::string CaseName(const FlybyCase& c) {
    std::ostringstream out;
    out << c.speedKmh << "kmh_" << (c.temperature < 0 ? "minus" : "") << std::abs(c.temperature)
        << "C_" << (c.channels == 1 ? "mono" : "stereo") << "_" << c.sampleRate;
    return out.str();
}

flyby::Params ParamsFor(const FlybyCase& c) {
    flyby::Params p;
    p.speedKmh = c.speedKmh;
    p.temperature = c.temperature;
    p.channels = c.channels;
    p.sampleRate = c.sampleRate;
    p.seconds = 12.0;
    p.seed = static_cast<uint32_t>(c.speedKmh * 1000 + c.temperature * 10 + c.channels);
    return p;
}

SpeedReading ParseSpeedLabel(const std::string& text) {
    SpeedReading r;
    // The resolution follows "(±", which is two bytes in UTF-8; scan for the numbers instead.
    const std::string head = "Geschwindigkeit: ";
    if (text.rfind(head, 0) != 0) return r;
    const size_t open = text.find("(\xC2\xB1");
    if (open == std::string::npos) return r;
    r.ok = std::sscanf(text.c_str() + head.size(), "%lf", &r.speed) == 1 &&
           std::sscanf(text.c_str() + open + 3, "%lf", &r.resolution) == 1;
    return r;
}

}  // namespace pirolex::test
