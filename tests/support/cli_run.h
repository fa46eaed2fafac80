#pragma once
// The command line run in this process, as `pirolex ARGS...` would run it, with what it printed.
// Header only: the suites that use it link the commands and the decoder themselves.

#include "audio_decoder.h"
#include "cli.h"
#include "plot_commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace clitest {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun RunPirolex(std::vector<std::string> args,
                         const pirolex::Subcommands& more = pirolex::PlotSubcommands(&pirolex::DecodeFile)) {
    args.insert(args.begin(), "pirolex");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int status = pirolex::RunCommandLine(static_cast<int>(args.size()), argv.data(), out, err, &pirolex::DecodeFile, more);
    return {status, out.str(), err.str()};
}

}  // namespace clitest
