#pragma once
// The command line: `pirolex info FILE` and `pirolex --help` run without a window (and without
// a QApplication). Anything else the window handles.

#include <iosfwd>

namespace pirolex {

// Exit status: 0 done, 1 the file could not be read (German reason on err), 2 the arguments
// were not understood (one line on err). -1 when the arguments ask for the window: none at
// all, or a single file path.
int RunCommandLine(int argc, char** argv);

// The same, writing to the given streams instead of standard output and standard error.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace pirolex
