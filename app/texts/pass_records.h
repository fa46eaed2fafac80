#pragma once
// The passes of a take as records to keep: one JSON object per line, or CSV rows under one
// header, with the same keys in the same order, numbers with a decimal point whatever the locale.
// `pirolex auto --json|--csv`, the window's list and `live --json` all write through here.
//
//   out << PassCsvHeader({}) ;
//   for (const FlybyPass& pass : search.passes) out << PassCsvRow("take.wav", pass, {});
//   if (search.passes.empty()) out << NoPassCsvRow("take.wav", search.noPassReason, 450.0, {});
//
// Keys: file, pass, heard_s, kmh, sigma_kmh, f0_hz, closest_s, distance_m, harmonic,
// approach_hz, recede_hz, refused, and reported_s when asked for. A measured pass has no
// "refused"; a refused pass and a file without a pass have only what is known of them.

#include "auto_speed.h"
#include "pass_finder.h"

#include <string>

namespace pirolex::texts {

struct PassColumns {
    // The stream time at which the pass was reported (FlybyPass::reportedS), for a live take.
    bool reportedS = false;
};

// One line each, "\n" at its end.
std::string PassJsonLine(const std::string& file, const FlybyPass& pass, const PassColumns& columns);
std::string NoPassJsonLine(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh);

std::string PassCsvHeader(const PassColumns& columns);
std::string PassCsvRow(const std::string& file, const FlybyPass& pass, const PassColumns& columns);
std::string NoPassCsvRow(const std::string& file, AutoSpeedRefusal reason, double topSpeedKmh,
                         const PassColumns& columns);

// A JSON string literal: quotes, backslashes and control characters escaped, UTF-8 as it is,
// and any byte that is no UTF-8 as U+FFFD.
std::string JsonString(const std::string& text);

}  // namespace pirolex::texts
