#pragma once
// The command line: `pirolex info FILE` and friends run without a window.

namespace pirolex {

// Returns the exit status, or -1 when the arguments ask for the window.
int RunCommandLine(int argc, char** argv);

}  // namespace pirolex
