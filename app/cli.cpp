#include "cli.h"

namespace pirolex {

int RunCommandLine(int, char**) { return -1; }

}  // namespace pirolex
