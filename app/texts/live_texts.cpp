#include "live_texts.h"

#include "messages.h"

#include <charconv>

namespace pirolex::texts {

std::string LivePassLine(int number, double heardS, const AutoSpeed& speed) {
    std::string line = AutoSpeedText(speed);
    // The speed line ends in the blank the window's label has always had.
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line = PassHeading(number, heardS) + ": " + line;
    if (speed.Answered()) line += ", " + AutoSpeedDetails(speed);
    return line;
}

std::string LivePassListRow(const std::string& clockTime, const FlybyPass& pass) {
    return clockTime + "  " + PassOutcome(pass);
}

std::string InputLostText(double seconds) {
    // to_chars: listening on a microphone made a Qt application, which set the desktop's locale.
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, seconds, std::chars_format::fixed, 1).ptr;
    return "Der Eingang ist nicht mehr verfügbar: Aufnahme nach " + std::string(number, end) +
           " s beendet, das Aufgenommene bleibt";
}

std::string TakeNotSavedText(const std::string& path, const std::string& reason) {
    return "Aufnahme nicht gespeichert: " + path + " (" + reason + ")";
}

std::string InputNotFoundText(const std::string& name) { return "Eingang „" + name + "“ nicht gefunden"; }

}  // namespace pirolex::texts
