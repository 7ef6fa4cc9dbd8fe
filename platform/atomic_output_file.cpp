#include "platform/atomic_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>  // renameat2
#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>

namespace kelvane {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int kTemporaryFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr int kNameAttempts = 100;
constexpr mode_t kPermissions = 0777;
// The most copy_file_range is asked for at once.
constexpr std::int64_t kCopyChunk = 64 << 20;

bool isDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

// True when the folder has been removed while open.
bool isGone(int folder) {
    struct stat status;
    return ::fstat(folder, &status) != 0 || status.st_nlink == 0;
}

// True when `error`, met making a file or a level in `folder`, awaits every other file made
// there. Anything else (a name too long or invalid there, a directory or a file in the way)
// concerns one name only.
bool refusesEveryFile(int folder, int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
        case EIO:
            return true;
        case ENOENT:
            return isGone(folder);
        default:
            return false;
    }
}

[[noreturn]] void cannotCreate(const std::string& path, int error, bool everyFile) {
    if (isDiskFull(error)) throw DiskFull(path);
    throw CannotCreateFile(path, error, everyFile);
}

// Closes a descriptor when it goes out of scope; AT_FDCWD is never closed.
struct OwnedDescriptor {
    int fd;
    ~OwnedDescriptor() {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

// Opens the level `name` of `parent`, made first when missing and `create` is set. Failures
// are thrown for `path`; `inTarget` tells that `parent` is the target folder itself.
// `made` tells whether the level was made here.
int openLevel(int parent, const std::string& name, bool create, const std::string& path,
              bool inTarget, bool& made) {
    int fd = ::openat(parent, name.c_str(), kDirectoryFlags | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT && create) {
        made = ::mkdirat(parent, name.c_str(), 0777) == 0;
        if (!made && errno != EEXIST) {
            const int error = errno;
            cannotCreate(path, error, inTarget && refusesEveryFile(parent, error));
        }
        fd = ::openat(parent, name.c_str(), kDirectoryFlags | O_NOFOLLOW);
    }
    if (fd < 0) {
        // A level that is there but cannot be opened concerns the files below it only.
        const int error = errno;
        cannotCreate(path, error, inTarget && error == ENOENT && isGone(parent));
    }
    return fd;
}

// A name no other file beside the target is likely to have.
std::string temporaryNameCandidate() {
    // One generator per thread: extraction workers make files side by side.
    thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".kelvane-";
    for (int i = 0; i < 10; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
    return name + ".part";
}

// An unnamed file can be given a name by its descriptor (AT_EMPTY_PATH, which the system grants
// only to some callers), or else through its /proc/self/fd link: a longer path walk.
std::atomic<bool> emptyPathRefused{false};

bool canLinkUnnamed() {
    static const bool procMounted = ::access("/proc/self/fd", X_OK) == 0;
    return procMounted;
}

// 0 once the unnamed file `fd` is linked as `name` in `folder`, else -1 with errno set.
int linkUnnamed(int fd, int folder, const std::string& name) {
    if (!emptyPathRefused.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        if (errno != ENOENT && errno != EPERM) return -1;
        emptyPathRefused.store(true, std::memory_order_relaxed);
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW);
}

}  // namespace

OutputFolder::OutputFolder(std::string path) : path_(std::move(path)) {
    // The folder itself is the user's choice and may be reached through links.
    fd_ = ::openat(AT_FDCWD, path_.empty() ? "." : path_.c_str(), kDirectoryFlags);
    if (fd_ < 0) error_ = errno;
}

OutputFolder::~OutputFolder() {
    if (fd_ >= 0) ::close(fd_);
}

CannotCreateFile::CannotCreateFile(const std::string& path, int error, bool everyFile)
    : std::runtime_error("Cannot create file " + path + ": " + std::strerror(error)),
      everyFile_(everyFile) {}

bool failsEveryFile(const std::exception& failure) {
    if (dynamic_cast<const DiskFull*>(&failure) != nullptr) return true;
    const auto* refused = dynamic_cast<const CannotCreateFile*>(&failure);
    return refused != nullptr && refused->refusesEveryFile();
}

AtomicOutputFile::AtomicOutputFile(const OutputFolder& target,
                                   const std::vector<std::string>& components, bool createLevels) {
    path_ = target.path();
    for (std::size_t i = 0; i < components.size(); ++i) {
        path_ += (i == 0 ? "" : "/") + components[i];
    }
    if (target.descriptor() < 0) cannotCreate(path_, target.error(), true);
    // An empty name is a missing file, in the system's words.
    if (components.empty() || components.back().empty()) cannotCreate(path_, ENOENT, false);

    // Below the target folder, no level is a link that gets followed.
    OwnedDescriptor level{-1};
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        const int parent = level.fd >= 0 ? level.fd : target.descriptor();
        bool made = false;
        OwnedDescriptor next{openLevel(parent, components[i], createLevels, path_, i == 0, made)};
        std::swap(level.fd, next.fd);
        if (made && levelsMade_.empty()) {
            // The levels from here down are new: remembered by their paths in the target.
            target_ = target.descriptor();
            for (std::size_t made = 0; made < components.size() - 1; ++made)
                levelsMade_.push_back((made == 0 ? "" : levelsMade_.back() + "/") +
                                      components[made]);
            levelsMade_.erase(levelsMade_.begin(), levelsMade_.begin() + std::ptrdiff_t(i));
        }
    }
    ownsDirectory_ = level.fd >= 0;
    directory_ = ownsDirectory_ ? level.release() : target.descriptor();
    name_ = components.back();
    createTemporary(!ownsDirectory_, true);
}

AtomicOutputFile::AtomicOutputFile(const std::string& path) : path_(path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name_.empty()) cannotCreate(path_, ENOENT, false);
    directory_ = ::openat(AT_FDCWD, folder.c_str(), kDirectoryFlags);
    if (directory_ < 0) cannotCreate(path_, errno, true);
    createTemporary(true, false);
}

AtomicOutputFile::~AtomicOutputFile() {
    discard();
    if (ownsDirectory_ && directory_ >= 0) ::close(directory_);
}

void AtomicOutputFile::createTemporary(bool inTarget, bool unnamed) {
    if (unnamed && canLinkUnnamed()) {
        // The system applies the umask. A file system that makes no unnamed files refuses
        // them (EOPNOTSUPP, or EISDIR on old kernels); any other refusal is met again, and
        // told, by the named file.
        fd_ = ::openat(directory_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
        if (unnamed_) return;
    }
    for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
        temporaryName_ = temporaryNameCandidate();
        fd_ = ::openat(directory_, temporaryName_.c_str(), kTemporaryFlags, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int error = errno;
        const bool everyFile = inTarget && refusesEveryFile(directory_, error);
        temporaryName_.clear();
        // Only constructors get here, and a constructor that throws runs no destructor.
        if (ownsDirectory_) ::close(directory_);
        directory_ = -1;
        cannotCreate(path_, error, everyFile);
    }
}

void AtomicOutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporaryName_.empty()) ::unlinkat(directory_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
}

void AtomicOutputFile::abandon() {
    discard();
    // Deepest first; a level another file was put in stays.
    for (auto level = levelsMade_.rbegin(); level != levelsMade_.rend(); ++level)
        ::unlinkat(target_, level->c_str(), AT_REMOVEDIR);
    levelsMade_.clear();
}

void AtomicOutputFile::fail(int error, const char* action) {
    discard();
    if (isDiskFull(error)) throw DiskFull(path_);
    throw std::runtime_error(std::string(action) + path_ + ": " + std::strerror(error));
}

void AtomicOutputFile::write(const char* data, std::size_t size) {
    if (fd_ < 0) throw std::logic_error("write after commit: " + path_);
    while (size > 0) {
        const ssize_t done = ::write(fd_, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) fail(errno, "Cannot write file ");
        data += done;
        size -= std::size_t(done);
    }
}

std::optional<std::int64_t> AtomicOutputFile::copyFrom(int source, std::int64_t offset,
                                                       std::int64_t count) {
    if (fd_ < 0) throw std::logic_error("write after commit: " + path_);
    std::int64_t done = 0;
    while (done < count) {
        loff_t from = offset + done;
        const ssize_t copied = ::copy_file_range(
            source, &from, fd_, nullptr, std::size_t(std::min(count - done, kCopyChunk)), 0);
        if (copied == 0) break;  // the source ends here
        if (copied > 0) {
            done += copied;
            continue;
        }
        if (errno == EINTR) continue;
        const bool cannotCopy =
            errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
        if (cannotCopy && done == 0) return std::nullopt;
        fail(errno, "Cannot write file ");
    }
    return done;
}

void AtomicOutputFile::writeAt(std::int64_t offset, const char* data, std::size_t size) {
    if (fd_ < 0) throw std::logic_error("write after commit: " + path_);
    while (size > 0) {
        const ssize_t done = ::pwrite(fd_, data, size, off_t(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) fail(errno, "Cannot write file ");
        data += done;
        size -= std::size_t(done);
        offset += done;
    }
}

void AtomicOutputFile::takeReplacedMode(int file) {
    struct stat replaced, made;
    // Only a regular file is replaced in kind; a link standing at the name lends nothing.
    if (::fstatat(directory_, name_.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(replaced.st_mode))
        return;
    if (::fstat(file, &made) != 0) fail(errno, "Cannot write file ");
    // The group first, since a change of group clears special bits. The system may refuse a
    // group the user is not in (EPERM) or one it cannot map here (EINVAL): the file keeps
    // the default group then.
    if (made.st_gid != replaced.st_gid && ::fchown(file, uid_t(-1), replaced.st_gid) != 0 &&
        errno != EPERM && errno != EINVAL)
        fail(errno, "Cannot write file ");
    // Permissions only: set-id bits are not handed on to new contents. A file system that
    // keeps no modes refuses the change (EPERM) and gives its own.
    const mode_t permissions = replaced.st_mode & kPermissions;
    if ((made.st_mode & 07777) != permissions && ::fchmod(file, permissions) != 0 && errno != EPERM)
        fail(errno, "Cannot write file ");
}

bool AtomicOutputFile::renameIfNew() {
    if (::renameat2(directory_, temporaryName_.c_str(), directory_, name_.c_str(),
                    RENAME_NOREPLACE) != 0) {
        // Something stands at the name, or the file system cannot rename so: the file takes
        // the mode of the one it replaces.
        if (errno == EEXIST || errno == EINVAL || errno == ENOSYS) takeReplacedMode(fd_);
        return false;
    }
    temporaryName_.clear();
    closeNewFile();
    return true;
}

void AtomicOutputFile::closeNewFile() {
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        // The file is new: taken away again, nothing is left in its place.
        const int error = errno;
        ::unlinkat(directory_, name_.c_str(), 0);
        fail(error, "Cannot write file ");
    }
}

bool AtomicOutputFile::linkIfNew() {
    if (linkUnnamed(fd_, directory_, name_) == 0) {
        unnamed_ = false;
        closeNewFile();
        return true;
    }
    // Something stands at the name: the file gets a name beside it, to be renamed over it.
    for (int attempt = 0; attempt < kNameAttempts && errno == EEXIST; ++attempt) {
        temporaryName_ = temporaryNameCandidate();
        if (linkUnnamed(fd_, directory_, temporaryName_) == 0) {
            unnamed_ = false;
            return false;
        }
    }
    const int error = errno;
    temporaryName_.clear();
    discard();
    // The next file made in the folder tells whether the folder refuses them all.
    cannotCreate(path_, error, false);
}

void AtomicOutputFile::commit(Durability durability) {
    if (fd_ < 0) throw std::logic_error("commit twice: " + path_);
    const bool flushed = durability == Durability::Flushed;
    // The new name reaches the disk with the folder. A file system that cannot flush a folder
    // (EINVAL) has nothing more to do.
    const auto flushFolder = [&] {
        if (flushed && ::fsync(directory_) != 0 && errno != EINVAL)
            fail(errno, "Cannot write file ");
    };
    if (flushed) {
        // The file reaches the disk with the mode it takes from the one it replaces.
        takeReplacedMode(fd_);
        if (::fsync(fd_) != 0) fail(errno, "Cannot write file ");
    }
    if (unnamed_) {
        if (linkIfNew()) return flushFolder();
        if (!flushed) takeReplacedMode(fd_);
    } else if (!flushed && renameIfNew()) {
        return;
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) fail(errno, "Cannot write file ");
    // A link or file standing at the name is replaced; a directory there is not.
    if (::renameat(directory_, temporaryName_.c_str(), directory_, name_.c_str()) != 0) {
        const int error = errno;
        discard();
        // The next file made in the folder tells whether the folder refuses them all.
        cannotCreate(path_, error, false);
    }
    temporaryName_.clear();
    flushFolder();
}

}  // namespace kelvane
