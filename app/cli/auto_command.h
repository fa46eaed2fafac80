#pragma once
// `pirolex auto FILE... [--temp T] [--max-kmh V] [--json | --csv | --csv-de]`: every pass of each file and its speed, read as the window
// reads it, without a window and without Qt.

#include "recording_file.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace pirolex {

// Each file in the order given: its name, the speed line and the details, or why there is no
// speed; with --json one object per line instead. The files are measured in parallel on all
// cores. Exit status 0 when every file was read (a refusal is a result), 1 when one could not be
// read (the German reason on err, the other files still measured), 2 for arguments not
// understood. Other formats than WAV are read by `decoder`.
int RunAuto(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileDecoder decoder);

}  // namespace pirolex
