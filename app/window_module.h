#pragma once
// Finding and starting the window's module (see window_main.cpp). The module sits next to the
// program in the build folder and under LIBDIR/pirolex once installed; it is looked up from
// where the program itself lies, never from the working folder.

#include <iosfwd>

#define PIROLEX_WINDOW_ENTRY PirolexWindowMain

namespace pirolex {

inline constexpr const char* kWindowModuleName = "pirolex-window.so";

// Loads the module and runs the window; returns its exit status, or 1 with a German line on
// `err` when the module cannot be found or loaded.
int RunWindowModule(int& argc, char** argv, std::ostream& err);

}  // namespace pirolex
