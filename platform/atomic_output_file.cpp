#include "platform/atomic_output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>

namespace kelvane {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int kTemporaryFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
constexpr int kNameAttempts = 100;

bool isDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT;
}

std::runtime_error cannotCreate(const std::string& path) {
    return std::runtime_error("Cannot create file " + path);
}

// Closes a directory handle when it goes out of scope; AT_FDCWD is never closed.
struct DirectoryHandle {
    int fd;
    ~DirectoryHandle() {
        if (fd >= 0) ::close(fd);
    }
    int release() { return std::exchange(fd, -1); }
};

int openLevel(int parent, const std::string& name, bool create, const std::string& path) {
    int fd = ::openat(parent, name.c_str(), kDirectoryFlags | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(parent, name.c_str(), 0777) != 0 && isDiskFull(errno)) throw DiskFull(path);
        fd = ::openat(parent, name.c_str(), kDirectoryFlags | O_NOFOLLOW);
    }
    return fd;
}

// A name no other file beside the target is likely to have.
std::string temporaryNameCandidate() {
    static std::mt19937_64 random{std::random_device{}()};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".kelvane-";
    for (int i = 0; i < 10; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
    return name + ".part";
}

}  // namespace

OutputFolder::OutputFolder(std::string path) : path_(std::move(path)) {
    // The folder itself is the user's choice and may be reached through links.
    fd_ = ::openat(AT_FDCWD, path_.empty() ? "." : path_.c_str(), kDirectoryFlags);
}

OutputFolder::~OutputFolder() {
    if (fd_ >= 0) ::close(fd_);
}

AtomicOutputFile::AtomicOutputFile(const OutputFolder& target,
                                   const std::vector<std::string>& components, bool createLevels) {
    path_ = target.path();
    for (std::size_t i = 0; i < components.size(); ++i) {
        path_ += (i == 0 ? "" : "/") + components[i];
    }
    if (components.empty() || components.back().empty() || target.descriptor() < 0)
        throw cannotCreate(path_);

    // Below the target folder, no level is a link that gets followed.
    DirectoryHandle level{-1};
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        const int parent = level.fd >= 0 ? level.fd : target.descriptor();
        DirectoryHandle next{openLevel(parent, components[i], createLevels, path_)};
        if (next.fd < 0) throw cannotCreate(path_);
        std::swap(level.fd, next.fd);
    }
    ownsDirectory_ = level.fd >= 0;
    directory_ = ownsDirectory_ ? level.release() : target.descriptor();
    name_ = components.back();
    createTemporary();
}

AtomicOutputFile::AtomicOutputFile(const std::string& path) : path_(path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name_.empty()) throw cannotCreate(path_);
    directory_ = ::openat(AT_FDCWD, folder.c_str(), kDirectoryFlags);
    if (directory_ < 0) throw cannotCreate(path_);
    createTemporary();
}

AtomicOutputFile::~AtomicOutputFile() {
    discard();
    if (ownsDirectory_ && directory_ >= 0) ::close(directory_);
}

void AtomicOutputFile::createTemporary() {
    for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
        temporaryName_ = temporaryNameCandidate();
        fd_ = ::openat(directory_, temporaryName_.c_str(), kTemporaryFlags, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int error = errno;
        temporaryName_.clear();
        // Only constructors get here, and a constructor that throws runs no destructor.
        if (ownsDirectory_) ::close(directory_);
        directory_ = -1;
        if (isDiskFull(error)) throw DiskFull(path_);
        throw cannotCreate(path_);
    }
}

void AtomicOutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporaryName_.empty()) ::unlinkat(directory_, temporaryName_.c_str(), 0);
    temporaryName_.clear();
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

void AtomicOutputFile::commit() {
    if (fd_ < 0) throw std::logic_error("commit twice: " + path_);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) fail(errno, "Cannot write file ");
    // A link or file standing at the name is replaced; a directory there is not.
    if (::renameat(directory_, temporaryName_.c_str(), directory_, name_.c_str()) != 0) {
        const int error = errno;
        discard();
        if (isDiskFull(error)) throw DiskFull(path_);
        throw cannotCreate(path_);
    }
    temporaryName_.clear();
}

}  // namespace kelvane
