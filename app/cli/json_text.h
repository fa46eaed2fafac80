#pragma once
// JSON values as the commands write them, one object per line: `auto --json` and `live --json`.

#include <string>

namespace pirolex {

// A JSON string: quotes, backslashes and control characters escaped; other bytes (UTF-8) as
// they are.
std::string JsonString(const std::string& text);

// Always with a decimal point, whatever the locale; null where there is no finite number.
std::string JsonNumber(double value, int decimals);

}  // namespace pirolex
