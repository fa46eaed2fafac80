#pragma once
// The German texts of listening live (`pirolex live`, the window's "Live"): a pass as it is
// reported, and what becomes of the input.

#include "auto_speed.h"
#include "pass_finder.h"

#include <string>

namespace pirolex::texts {

// No input device at all: the command's message, the window's button tool tip.
inline constexpr const char* kNoMicrophone = "Kein Mikrofon gefunden";

// One line per pass as it is reported: the heading `auto` gives the pass (PassHeading), the speed
// line and the details, or the heading and why it gives no speed: "Vorbeiflug 1 bei 0:05.0: Geschwindigkeit: 120.00 km/h
// (± 0.06 km/h), Ton f0: 4350.00 Hz (Harmonische 1), nächster Punkt bei 5.00 s, Abstand 10.01 m".
std::string LivePassLine(int number, double heardS, const AutoSpeed& speed);
// A row of "Vorbeiflüge" while listening: the clock time the pass was reported at and what the
// list says of any pass, "14:03:27  59.7 ± 1.5 km/h".
std::string LivePassListRow(const std::string& clockTime, const FlybyPass& pass);
// The button that writes the take as WAV, and its hint.
inline constexpr const char* kSaveTake = "Aufnahme speichern";
inline constexpr const char* kSaveTakeHint = "Die Aufnahme bisher als WAV-Datei speichern";
// The device went away mid-take: "Der Eingang ist nicht mehr verfügbar: Aufnahme nach 12.3 s
// beendet, das Aufgenommene bleibt".
std::string InputLostText(double seconds);
// The take could not be written, with the reason as the reader's failure words it:
// "Aufnahme nicht gespeichert: /x/take.wav (Datei nicht gefunden)".
std::string TakeNotSavedText(const std::string& path, const std::string& reason);
// The device asked for by name is not there: "Eingang „USB Mic“ nicht gefunden".
std::string InputNotFoundText(const std::string& name);

}  // namespace pirolex::texts
