#pragma once
// Who makes Pirolex and where the newest version is published: shown in the window caption and
// the about box, and kept here only.

#include <QString>

namespace pirolex {

inline constexpr const char* kProgramTitle = "Pirolex";
inline constexpr const char* kWebAddress = "www.pirolex.example.org";
inline constexpr const char* kMakerSignature = "Die Pirolex-Entwickler";

// "Pirolex Stereo V2.1 (ADDRESS)"
QString DesignCaption();
// The six lines of the about box.
QString AboutText();

}  // namespace pirolex
