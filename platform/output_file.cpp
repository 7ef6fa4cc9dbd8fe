#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kelvane {
namespace {

std::runtime_error cannotCreate(const std::string& path) {
    return std::runtime_error("Cannot create file " + path);
}

// Closes a directory handle when it goes out of scope.
struct DirectoryHandle {
    int fd;
    ~DirectoryHandle() {
        if (fd >= 0) ::close(fd);
    }
};

int openLevel(int parent, const std::string& name, bool create) {
    int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create && ::mkdirat(parent, name.c_str(), 0777) == 0) {
        fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    return fd;
}

}  // namespace

OutputFile::OutputFile(const std::string& targetDirectory,
                       const std::vector<std::string>& components, bool createLevels) {
    path_ = targetDirectory;
    for (std::size_t i = 0; i < components.size(); ++i) {
        path_ += (i == 0 ? "" : "/") + components[i];
    }
    if (components.empty() || components.back().empty()) throw cannotCreate(path_);

    DirectoryHandle level{::open(targetDirectory.empty() ? "." : targetDirectory.c_str(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (level.fd < 0) throw cannotCreate(path_);
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        DirectoryHandle next{openLevel(level.fd, components[i], createLevels)};
        if (next.fd < 0) throw cannotCreate(path_);
        std::swap(level.fd, next.fd);
    }

    const std::string& name = components.back();
    struct stat existing {};
    if (::fstatat(level.fd, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(existing.st_mode)) {
        ::unlinkat(level.fd, name.c_str(), 0);
    }
    fd_ = ::openat(level.fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                   0666);
    if (fd_ < 0) throw cannotCreate(path_);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t done = ::write(fd_, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) {
            throw std::runtime_error("Cannot write file " + path_ + ": " + std::strerror(errno));
        }
        data += done;
        size -= std::size_t(done);
    }
}

void OutputFile::close() {
    if (fd_ >= 0 && ::close(fd_) != 0) {
        fd_ = -1;
        throw std::runtime_error("Cannot write file " + path_ + ": " + std::strerror(errno));
    }
    fd_ = -1;
}

}  // namespace kelvane
