#include "live_texts.h"

#include "messages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pirolex::texts {

std::string PassHeading(int number, double heardS) {
    // Rounded to tenths first, so 59.96 s reads "1:00.0", not "0:60.0".
    const long tenths = std::lround(std::max(heardS, 0.0) * 10.0);
    char text[64];
    std::snprintf(text, sizeof text, "Vorbeiflug %d bei %ld:%02ld.%ld", number, tenths / 600, tenths % 600 / 10,
                  tenths % 10);
    return text;
}

std::string LivePassLine(int number, double heardS, const AutoSpeed& speed) {
    std::string line = AutoSpeedText(speed);
    // The speed line ends in the blank the window's label has always had.
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line = PassHeading(number, heardS) + ": " + line;
    if (speed.Answered()) line += ", " + AutoSpeedDetails(speed);
    return line;
}

std::string InputLostText(double seconds) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "Der Eingang ist nicht mehr verfügbar: Aufnahme nach %.1f s beendet, das Aufgenommene bleibt",
                  seconds);
    return text;
}

std::string TakeNotSavedText(const std::string& path, const std::string& reason) {
    return "Aufnahme nicht gespeichert: " + path + " (" + reason + ")";
}

std::string InputNotFoundText(const std::string& name) { return "Eingang „" + name + "“ nicht gefunden"; }

}  // namespace pirolex::texts
