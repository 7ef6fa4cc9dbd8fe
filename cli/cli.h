#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::cli {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsageError = 2;

using Arguments = std::vector<std::string>;

// One sub-command of kelvane-cli. `run` gets the arguments after the command's name.
struct Command {
    std::string_view name;
    std::string_view usage;  // shown by --help and on usage errors
    int (*run)(const Arguments& args, std::ostream& out, std::ostream& err);
};

// Every command, in the order --help lists them.
std::span<const Command> commands();

// Runs kelvane-cli with argv[1..]; returns the exit status.
int runCli(const Arguments& args, std::ostream& out, std::ostream& err);

// Shared by the commands: prints the usage line and returns kUsageError.
int usageError(const Command& command, std::ostream& err, std::string_view problem);
bool wantsHelp(const Arguments& args);

}  // namespace kelvane::cli
