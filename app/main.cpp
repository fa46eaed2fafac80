#include "cli.h"
#include "decoder_module.h"
#include "plot_commands.h"
#include "window_module.h"

#include <iostream>

int main(int argc, char** argv) {
    pirolex::SetFileDecoder(&pirolex::DecodeWithModule);
    const int status =
        pirolex::RunCommandLine(argc, argv, std::cout, std::cerr, pirolex::PlotSubcommands());
    if (status >= 0) return status;
    return pirolex::RunWindowModule(argc, argv, std::cerr);
}
