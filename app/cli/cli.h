#pragma once
// The command line: `pirolex info FILE` and `pirolex --help` run without a window (and without
// a QApplication). The commands that draw (render, measure) are handed in by the program, so this
// file needs neither Qt nor the drawing code. Anything else the window handles.

#include "recording_file.h"

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

namespace pirolex {

// Exit status: 0 done, 1 the file could not be read or written (German reason on err), 2 the
// arguments were not understood (one line on err). -1 when the arguments ask for the window:
// none at all, or a single file path.
inline constexpr int kStatusOk = 0;
inline constexpr int kStatusFailed = 1;
inline constexpr int kStatusUsage = 2;
inline constexpr int kStatusWindow = -1;

// A further command: gets the arguments after its name, returns the exit status.
using Subcommand =
    std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;
using Subcommands = std::map<std::string, Subcommand>;

// After every usage error, the one hint.
inline constexpr const char* kUsageHint = " (pirolex --help zeigt die Aufrufe)";

// "--" ends the options: what follows is a file, also a name that begins with a dash.
inline constexpr const char* kEndOfOptions = "--";

// An argument that looks like an option: a dash and at least one more character.
bool IsOption(const std::string& arg);
// A name that begins with a dash is still a file where one of that name exists (and no option
// does), so that "-x.wav" needs no "--" in front.
bool IsExistingFile(const std::string& arg);

// Before the window takes the arguments: "pirolex -- -x.wav" opens "-x.wav" as "pirolex -x.wav"
// does; argv[argc] stays the null pointer that ends it.
void DropEndOfOptions(int& argc, char** argv);

// Runs the command the arguments name, writing to out and err, with the further commands that
// are on offer; info and auto read other formats than WAV through `decoder`.
int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err, FileDecoder decoder,
                   const Subcommands& more = {});

}  // namespace pirolex
