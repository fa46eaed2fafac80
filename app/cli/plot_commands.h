#pragma once
// `pirolex render` and `pirolex measure`: the window's picture and measurement without a window
// and without a display.

#include "cli.h"

namespace pirolex {

Subcommands PlotSubcommands();

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace pirolex
