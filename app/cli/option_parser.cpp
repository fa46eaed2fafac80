#include "option_parser.h"

#include "cli.h"

namespace pirolex {

namespace {

const CommandOption* Find(const std::vector<CommandOption>& options, const std::string& name) {
    for (const CommandOption& o : options)
        if (o.name == name) return &o;
    return nullptr;
}

std::string Names(const std::vector<CommandOption>& options) {
    std::string names;
    for (const CommandOption& o : options) names += (names.empty() ? "" : ", ") + o.name;
    return names;
}

}  // namespace

std::string ParseCommandArgs(const std::vector<std::string>& args, const std::vector<CommandOption>& options,
                             FileCount files, CommandArgs& parsed) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        const CommandOption* option = optionsEnded ? nullptr : Find(options, arg);
        if (optionsEnded || !IsOption(arg) || options.empty() || (!option && IsExistingFile(arg))) {
            if (files == FileCount::kOne && !parsed.files.empty())
                return "nur eine Aufnahme möglich, „" + arg + "“ ist zu viel";
            parsed.files.push_back(arg);
            continue;
        }
        if (!option) return "unbekannte Option „" + arg + "“ (erlaubt: " + Names(options) + ")";
        if (!parsed.seen.insert(arg).second && !option->repeatable) return arg + " ist doppelt angegeben";
        const bool takesValue = !option->allowed.empty();
        if (takesValue && i + 1 >= args.size())
            return arg + " erwartet einen Wert: erlaubt sind " +
                   (option->expected.empty() ? option->allowed : option->expected);
        const std::string value = takesValue ? args[++i] : std::string();
        if (!option->read(value)) return arg + " " + value + ": erlaubt sind " + option->allowed;
    }
    return {};
}

}  // namespace pirolex
