#pragma once
// Names from the file system are bytes, not text: a name may hold a line feed, a terminal's escape
// sequence, or bytes that are no UTF-8 at all. What the program writes from them must be safe to
// open: JSON that parses, a terminal that does not obey, a spreadsheet that does not compute.

#include <string>

namespace pirolex::texts {

// The text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD.
std::string ValidUtf8(const std::string& text);

// For a terminal: control characters (C0, DEL, C1) as escapes ("\n", "\t", "\e", "\x7f",
// "\u009b") and bytes that are no UTF-8 as "\xff"; everything else as it is.
std::string TerminalSafe(const std::string& text);

// A CSV cell that a spreadsheet would take for a formula (it starts with = + - @, a tab or a
// carriage return) gets a leading apostrophe, as spreadsheet users write such text by hand.
std::string NeutralisedCell(const std::string& text);

}  // namespace pirolex::texts
