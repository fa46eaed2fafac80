#pragma once
// The passes of a take as records to keep: one JSON object per line, or CSV rows under one
// header, with the same keys in the same order, numbers with a decimal point whatever the locale.
// `pirolex auto --json|--csv`, the window's list and `live --json` all write through here.
//
//   const TakeFacts take{.temperatureC = 15.0, .recorded = file.recorded};
//   out << PassCsvHeader({});
//   for (const FlybyPass& pass : search.passes) out << PassCsvRow("take.wav", pass, {}, take);
//   if (search.passes.empty()) out << NoPassCsvRow("take.wav", search.noPassReason, 450.0, {}, take);
//
// Keys: file, pass, heard_s, kmh, sigma_kmh, f0_hz, closest_s, distance_m, harmonic,
// approach_hz, recede_hz, refused, reported_s when asked for, then temp_c, recorded (ISO 8601),
// heard (the pass's moment as m:ss.s) and source ("automatisch" or "zwei Klicks"). A measured
// pass has no "refused"; a refused pass and a file without a pass have only what is known of
// them.
//
// The German spreadsheet's variant of the CSV (PassColumns::german) has German headings, ";"
// between the fields and decimal commas, and its header starts with a UTF-8 byte-order mark, so
// that a spreadsheet set to German reads numbers and umlauts right.

#include "auto_speed.h"
#include "pass_finder.h"

#include <string>

namespace pirolex::texts {

struct PassColumns {
    // The stream time at which the pass was reported (FlybyPass::reportedS), for a live take.
    bool reportedS = false;
    // CSV only: the German spreadsheet's variant.
    bool german = false;
};

// What the records of one take say beside its passes.
struct TakeFacts {
    double temperatureC = 0.0;  // the air temperature the speeds are worked out at
    std::string recorded{};     // when the take was recorded, ISO 8601; empty where unknown
};


// One line each, "\n" at its end.
std::string PassJsonLine(const std::string& file, const FlybyPass& pass, const PassColumns& columns,
                         const TakeFacts& take);
std::string NoPassJsonLine(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                           const TakeFacts& take);

std::string PassCsvHeader(const PassColumns& columns);
std::string PassCsvRow(const std::string& file, const FlybyPass& pass, const PassColumns& columns,
                       const TakeFacts& take);
std::string NoPassCsvRow(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                         const PassColumns& columns, const TakeFacts& take);

// A JSON string literal: quotes, backslashes and control characters escaped, UTF-8 as it is,
// and any byte that is no UTF-8 as U+FFFD.
std::string JsonString(const std::string& text);

}  // namespace pirolex::texts
