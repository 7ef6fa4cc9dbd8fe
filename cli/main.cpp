#include <clocale>
#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
    // Dates and times (list -l) in the user's locale; everything else stays as C writes it.
    std::setlocale(LC_TIME, "");
    kelvane::cli::Arguments args(argv + 1, argv + argc);
    return kelvane::cli::runCli(args, std::cout, std::cerr);
}
