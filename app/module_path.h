#pragma once
// Where the program's modules lie: next to the program (the build folder), then where the install
// puts them, relative to the program's own folder; never the working folder.

#include <filesystem>
#include <vector>

namespace pirolex {

std::filesystem::path ProgramPath();
std::vector<std::filesystem::path> ModuleCandidates(const char* moduleName);

}  // namespace pirolex
