#pragma once
// The commands' options read from one table each: an option's name, whether it takes a value,
// how the value is read and checked, and what the message says when it is missing or unusable.
// The same rules for every command: "--" ends the options; a name that begins with a dash is a
// file where one of that name exists and no option does; an option is given once.
//
//   double temperature = 15.0;
//   const std::vector<CommandOption> options = {
//       {"--temp", "Zahlen von -20 bis 40", [&](const std::string& v) { return ReadTemp(v, temperature); }},
//       {"--json", "", [&](const std::string&) { json = true; return true; }, {}, true}};
//   CommandArgs parsed;
//   if (std::string problem = ParseCommandArgs(args, options, FileCount::kMany, parsed); !problem.empty()) ...

#include "settings.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace pirolex {

struct CommandOption {
    std::string name;
    // What the value may be, for "NAME VALUE: erlaubt sind ALLOWED"; empty for a switch.
    std::string allowed;
    // Reads and checks the value (empty for a switch); false when it is not usable.
    std::function<bool(const std::string& value)> read;
    // What "NAME erwartet einen Wert: erlaubt sind ..." says when the value is missing; allowed
    // when empty.
    std::string expected;
    bool repeatable = false;  // a switch that may be given more than once
};

enum class FileCount { kOne, kMany };

// The one number reader of the commands: the whole text a finite number, with a decimal point
// whatever the locale ("12.5" reads the same on every desktop).
bool ReadNumber(const std::string& text, double& value);
// The same within a range of settings.h.
bool ReadNumberIn(const std::string& text, SettingRange range, double& value);
// A number option's reader into target.
std::function<bool(const std::string&)> NumberIn(SettingRange range, double& target);
// The range as an option's allowed values, "Zahlen von -20 bis 40", and as its short form in the
// help, "-20..40".
std::string AllowedNumbers(SettingRange range);
std::string RangeText(SettingRange range);

struct CommandArgs {
    std::vector<std::string> files;
    std::set<std::string> seen;  // the options given
};

// Empty when every argument was understood, else the one line that says why not. With no
// options at all, every argument but a leading "--" is a file.
std::string ParseCommandArgs(const std::vector<std::string>& args, const std::vector<CommandOption>& options,
                             FileCount files, CommandArgs& parsed);

}  // namespace pirolex
