#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
    kelvane::cli::Arguments args(argv + 1, argv + argc);
    return kelvane::cli::runCli(args, std::cout, std::cerr);
}
