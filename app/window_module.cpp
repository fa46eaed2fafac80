#include "window_module.h"

#include "module_path.h"

#include <dlfcn.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#define PIROLEX_STRINGIFY2(x) #x
#define PIROLEX_STRINGIFY(x) PIROLEX_STRINGIFY2(x)

namespace pirolex {

namespace {

using WindowEntry = int (*)(int*, char**);

}  // namespace

std::filesystem::path ProgramPath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

// The install folder is the one CMake passes in, relative to the program's own.
std::vector<std::filesystem::path> ModuleCandidates(const char* moduleName) {
    const auto dir = ProgramPath().parent_path();
    return {dir / moduleName, (dir / PIROLEX_WINDOW_MODULE_DIR / moduleName).lexically_normal()};
}

int RunWindowModule(int& argc, char** argv, std::ostream& err) {
    const auto program = ProgramPath();
    const auto fail = [&err](const std::string& why) {
        err << "pirolex: Das Fenster lässt sich nicht starten (" << why << ")\n";
        return 1;
    };
    if (program.empty()) return fail("Pfad des Programms unbekannt");
    for (const auto& candidate : ModuleCandidates(kWindowModuleName)) {
        if (!std::filesystem::exists(candidate)) continue;
        // Never closed: Qt keeps pointers into the module until the process ends.
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) return fail(dlerror());
        auto entry = reinterpret_cast<WindowEntry>(dlsym(module, PIROLEX_STRINGIFY(PIROLEX_WINDOW_ENTRY)));
        if (!entry) return fail(candidate.string() + ": Einsprungpunkt fehlt");
        return entry(&argc, argv);
    }
    return fail(std::string(kWindowModuleName) + " fehlt neben " + program.string());
}

}  // namespace pirolex
