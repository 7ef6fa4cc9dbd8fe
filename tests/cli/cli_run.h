#pragma once

#include <sstream>
#include <string>

#include "cli/cli.h"

namespace kelvane::test {

// One kelvane-cli run in-process: its exit status and what it printed.
struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun run(const cli::Arguments& args) {
    std::ostringstream out, err;
    const int status = cli::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace kelvane::test
