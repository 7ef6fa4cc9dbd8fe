#include "platform/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kelvane {
namespace {

[[noreturn]] void cannotRead(const std::string& path, int error) {
    throw std::runtime_error("Cannot read folder " + path + ": " + std::strerror(error));
}

class Walker {
  public:
    Walker(const FileIdentity& exclude, std::size_t relativeStart, UnreadableFolders unreadable)
        : exclude_(exclude), relativeStart_(relativeStart), unreadable_(unreadable) {}

    // Lists the open folder `fd` (closed here), whose path is `path`.
    void walk(int fd, const std::string& path) {
        struct stat status {};
        const bool holdsExcluded = exclude_.present && ::fstat(fd, &status) == 0 &&
                                   status.st_dev == exclude_.folderDevice &&
                                   status.st_ino == exclude_.folderInode;
        DIR* folder = ::fdopendir(fd);
        if (folder == nullptr) {
            const int error = errno;
            ::close(fd);
            cannotRead(path, error);
        }
        try {
            errno = 0;
            while (const dirent* item = ::readdir(folder)) {
                const std::string name = item->d_name;
                if (name != "." && name != "..")
                    visit(folder, item->d_type, name, path, holdsExcluded);
                errno = 0;
            }
            if (errno != 0) cannotRead(path, errno);
        } catch (...) {
            ::closedir(folder);
            throw;
        }
        ::closedir(folder);
    }

    FolderContents contents;

  private:
    void visit(DIR* folder, unsigned char type, const std::string& name, const std::string& path,
               bool holdsExcluded) {
        const int fd = ::dirfd(folder);
        const std::string itemPath = path + "/" + name;
        struct stat status {};
        // Only what the folder listing cannot tell is looked up.
        const bool link = type == DT_LNK;
        if (type == DT_UNKNOWN || link || (type == DT_REG && holdsExcluded)) {
            if (::fstatat(fd, name.c_str(), &status, 0) != 0) {
                if (link || errno == ENOENT) {
                    contents.skipped.push_back({itemPath, SkippedFile::Reason::BrokenLink});
                    return;
                }
                cannotRead(itemPath, errno);
            }
            if (exclude_.present && status.st_dev == exclude_.device &&
                status.st_ino == exclude_.inode) {
                contents.skipped.push_back({itemPath, SkippedFile::Reason::Excluded});
                return;
            }
            if (S_ISDIR(status.st_mode) && link) {
                contents.skipped.push_back({itemPath, SkippedFile::Reason::FolderLink});
                return;
            }
            type = S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_FIFO;
        }
        if (type == DT_REG) {
            contents.files.push_back({itemPath, relativeStart_});
        } else if (type == DT_DIR) {
            const int child =
                ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) return walk(child, itemPath);
            if (unreadable_ == UnreadableFolders::Fail) cannotRead(itemPath, errno);
            contents.skipped.push_back({itemPath, SkippedFile::Reason::Unreadable, errno});
        } else {
            contents.skipped.push_back({itemPath, SkippedFile::Reason::Special});
        }
    }

    const FileIdentity& exclude_;
    std::size_t relativeStart_;
    UnreadableFolders unreadable_;
};

}  // namespace

FileIdentity identityOf(const std::string& path) {
    struct stat status {
    }, folder{};
    const std::size_t slash = path.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : path.substr(0, slash);
    if (::stat(path.c_str(), &status) != 0 || ::stat(folderPath.c_str(), &folder) != 0) return {};
    return {status.st_dev, status.st_ino, folder.st_dev, folder.st_ino, true};
}

FolderContents walkFolder(const std::string& folder, const FileIdentity& exclude,
                          UnreadableFolders unreadable) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) cannotRead(base, errno);
    Walker walker(exclude, base.size() + 1, unreadable);
    walker.walk(fd, base);
    walker.contents.relativeStart = base.size() + 1;
    return std::move(walker.contents);
}

}  // namespace kelvane
