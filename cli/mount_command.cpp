// mount: an archive, or a folder of archives, as a read-only folder tree through FUSE, served by
// kelvane-mount. That is a program of its own, so that only mounting needs libfuse3; it takes this
// process's place, so its exit status and the signals sent to this process are the command's.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace kelvane::cli {
namespace {

int runMount(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kMountCommand{"mount", "mount [-f] ARCHIVE|FOLDER MOUNTPOINT", runMount};

namespace {

// kelvane-mount lies at KELVANE_MOUNT_HELPER from this program's folder, in the build tree as
// once installed. Empty when the running program cannot be found.
std::string mountHelper() {
    std::error_code failed;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) return {};
    return (self.parent_path() / KELVANE_MOUNT_HELPER).lexically_normal().string();
}

int runMount(const Arguments& args, std::ostream&, std::ostream& err) {
    bool foreground = false;
    Arguments positional;
    for (const std::string& arg : args) {
        if (arg == "-f") {
            foreground = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError(kMountCommand, err, "unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        return usageError(kMountCommand, err, "expects an archive or a folder, and a mount point");
    }
    const std::string helper = mountHelper();
    if (helper.empty()) {
        err << "kelvane-cli: cannot mount " << positional[0]
            << ": cannot find kelvane-mount without /proc/self/exe\n";
        return kFailure;
    }
    Arguments words = {helper};
    if (foreground) words.push_back("-f");
    words.insert(words.end(), positional.begin(), positional.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(helper.c_str(), argv.data());
    err << "kelvane-cli: cannot mount " << positional[0] << ": cannot run " << helper << ": "
        << std::strerror(errno) << "\n";
    return kFailure;
}

}  // namespace
}  // namespace kelvane::cli
