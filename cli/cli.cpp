#include "cli/cli.h"

#include <algorithm>
#include <array>

namespace kelvane::cli {

// Defined with their commands.
extern const Command kListCommand;
extern const Command kInfoCommand;
extern const Command kExtractCommand;
extern const Command kCatCommand;
extern const Command kVerifyCommand;
extern const Command kAuditCommand;
extern const Command kMountCommand;
extern const Command kCreateCommand;
extern const Command kAddCommand;
extern const Command kDeleteCommand;
extern const Command kImageCommand;
extern const Command kDecodeCommand;
extern const Command kTextureCommand;
extern const Command kFindCommand;
extern const Command kDiffCommand;

std::span<const Command> commands() {
    static const std::array all = {kListCommand,   kInfoCommand,   kExtractCommand, kCatCommand,
                                   kVerifyCommand, kAuditCommand,  kMountCommand,   kCreateCommand,
                                   kAddCommand,    kDeleteCommand, kImageCommand,   kTextureCommand,
                                   kDecodeCommand, kFindCommand,   kDiffCommand};
    return all;
}

bool wantsHelp(const Arguments& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int usageError(const Command& command, std::ostream& err, std::string_view problem) {
    err << "kelvane-cli " << command.name << ": " << problem << "\nusage: kelvane-cli "
        << command.usage << "\n";
    return kUsageError;
}

namespace {

void printOverview(std::ostream& out) {
    out << "usage: kelvane-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const Command& command : commands()) out << "  kelvane-cli " << command.usage << "\n";
    out << "\n'kelvane-cli COMMAND --help' describes one command.\n";
}

}  // namespace

int runCli(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printOverview(err);
        return kUsageError;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printOverview(out);
        return kSuccess;
    }
    for (const Command& command : commands()) {
        if (command.name != args[0]) continue;
        Arguments rest(args.begin() + 1, args.end());
        if (wantsHelp(rest)) {
            out << "usage: kelvane-cli " << command.usage << "\n";
            return kSuccess;
        }
        return command.run(rest, out, err);
    }
    err << "kelvane-cli: unknown command '" << args[0] << "'\n";
    printOverview(err);
    return kUsageError;
}

}  // namespace kelvane::cli
