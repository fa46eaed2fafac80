#include "option_parser.h"

#include "cli.h"

#include <charconv>
#include <cmath>

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

// The shortest text that reads back as the same number: -20, 0.01, 2000.
std::string Shortest(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace

bool ReadNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    double read = 0.0;
    const auto result = std::from_chars(text.data(), end, read);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(read)) return false;
    value = read;
    return true;
}

bool ReadNumberIn(const std::string& text, SettingRange range, double& value) {
    double read = 0.0;
    if (!ReadNumber(text, read) || !range.Holds(read)) return false;
    value = read;
    return true;
}

std::function<bool(const std::string&)> NumberIn(SettingRange range, double& target) {
    return [range, &target](const std::string& text) { return ReadNumberIn(text, range, target); };
}

std::string AllowedNumbers(SettingRange range) {
    return "Zahlen von " + Shortest(range.lowest) + " bis " + Shortest(range.highest);
}

std::string RangeText(SettingRange range) { return Shortest(range.lowest) + ".." + Shortest(range.highest); }

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
