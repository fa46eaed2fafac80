#include "cli.h"

int main(int argc, char** argv) {
    const int status = pirolex::RunCommandLine(argc, argv);
    if (status >= 0) return status;
    return 0;
}
