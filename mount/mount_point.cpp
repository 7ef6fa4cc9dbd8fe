#include "mount/mount_point.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace kelvane::mount {
namespace {

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

std::optional<std::string> mountPointProblem(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) return "there is no such folder";
        return std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) return "it is not a folder";
    const std::unique_ptr<DIR, FolderCloser> listing(::opendir(folder.c_str()));
    if (!listing) return std::strerror(errno);
    for (errno = 0; const dirent* item = ::readdir(listing.get()); errno = 0) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") {
            return "the folder is not empty (the mount would hide what it holds)";
        }
    }
    if (errno != 0) return std::strerror(errno);
    return std::nullopt;
}

}  // namespace kelvane::mount
