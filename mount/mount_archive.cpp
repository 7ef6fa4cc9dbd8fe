#include "mount/mount_archive.h"

#include <sys/resource.h>

#include <filesystem>
#include <memory>

#include "mount/fuse_filesystem.h"
#include "mount/mount_point.h"
#include "mount/mounted_folder.h"
#include "platform/bilingual_error.h"

namespace kelvane::mount {
namespace {

// Each archive of a folder keeps its file open once read: as many as the hard limit allows.
void raiseOpenFileLimit() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace

int mountArchive(const std::string& source, const std::string& mountPoint, bool foreground,
                 std::ostream& err) {
    std::ostream* const notes = foreground ? &err : nullptr;
    std::unique_ptr<MountedFolder> shown;
    std::error_code failed;
    try {
        if (std::filesystem::is_directory(source, failed)) {
            raiseOpenFileLimit();
            shown = std::make_unique<MountedFolder>(source, notes);
        } else {
            auto archive = std::make_unique<MountedArchive>(source, notes);
            archive->read(err, "kelvane-cli: ");
            shown = std::make_unique<MountedFolder>(std::move(archive));
        }
    } catch (const std::exception& error) {
        err << "kelvane-cli: cannot mount " << source << ": " << englishText(error) << "\n";
        return 1;
    }
    if (const auto problem = mountPointProblem(mountPoint)) {
        err << "kelvane-cli: cannot mount " << source << " on " << mountPoint << ": " << *problem
            << "\n";
        return 1;
    }
    return serveFolder(*shown, source, mountPoint, foreground, err);
}

}  // namespace kelvane::mount
