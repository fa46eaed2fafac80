#pragma once
// `pirolex render` and `pirolex measure`: the window's picture and measurement without a window
// and without a display.

#include "cli.h"
#include "recording_file.h"

namespace pirolex {

// Both read other formats than WAV through `decoder`.
Subcommands PlotSubcommands(FileDecoder decoder);

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileDecoder decoder);
int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, FileDecoder decoder);

}  // namespace pirolex
