#include "cli.h"
#include "decoder_module.h"
#include "live_command.h"
#include "microphone_module.h"
#include "plot_commands.h"
#include "window_module.h"

#include <iostream>

int main(int argc, char** argv) {
    pirolex::Subcommands commands = pirolex::PlotSubcommands(&pirolex::DecodeWithModule);
    commands["live"] = [](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
        const std::unique_ptr<pirolex::InputDevices> inputs = pirolex::InputDevicesFromModule();
        return pirolex::RunLive(args, out, err, {inputs.get(), nullptr, &pirolex::DecodeWithModule});
    };
    const int status = pirolex::RunCommandLine(argc, argv, std::cout, std::cerr, &pirolex::DecodeWithModule, commands);
    if (status >= 0) return status;
    pirolex::DropEndOfOptions(argc, argv);
    return pirolex::RunWindowModule(argc, argv, std::cerr);
}
