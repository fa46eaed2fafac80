#pragma once
// A measurement as it is kept: in the strip under a saved or printed picture, in the PNG's text
// fields and as one line on the clipboard. The same values in the same words everywhere.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pirolex::texts {

struct RecordValues {
    std::string speedLine;              // the speed line as shown; empty: none
    std::string source;                 // where the speed came from (kSourceClicks, ...); empty: none
    std::optional<double> hzA;          // the markers' frequencies, when set
    std::optional<double> hzB;
    std::optional<double> temperature;  // °C, in tenths
    std::string pass;                   // the pass of a take measured: "3 bei 1:24.3"; empty: none
    std::string fileName;               // without its folder
    std::string date;                   // "2026-12-08 14:05"
};

// Name and value, in the order shown; what is missing is left out. The names are the PNG text
// fields' keys: "Messung", "Marke A", "Marke B", "Quelle", "Lufttemperatur", "Datei", "Datum".
struct RecordField {
    std::string key;
    std::string value;
};
std::vector<RecordField> RecordFields(const RecordValues& values);

// The strip's rows: the speed line and its source; the markers and the temperature; the file
// and the date.
std::vector<std::string> RecordRows(const RecordValues& values);

// Everything in one line, the fields apart by "; ":
// "Geschwindigkeit: 120.00 km/h (±6.00 km/h); Marke A: 4822.8 Hz; Marke B: 3961.6 Hz; Quelle:
// zwei Klicks; ...; Datum: 2026-12-08 14:05".
std::string RecordLine(const RecordValues& values);

}  // namespace pirolex::texts
