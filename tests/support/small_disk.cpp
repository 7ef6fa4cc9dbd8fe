#include "tests/support/small_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kelvane::test {
namespace {

constexpr const char* kFillerPrefix = ".filler";

void requireMounted(bool mounted) {
    if (!mounted) throw std::logic_error("the small disk is not mounted");
}

}  // namespace

SmallDisk::SmallDisk(std::size_t bytes, std::size_t inodes) {
    std::string options = "size=" + std::to_string(bytes);
    if (inodes > 0) options += ",nr_inodes=" + std::to_string(inodes);
    const std::string target = dir_.path().string();
    mounted_ = ::mount("kelvane-test", target.c_str(), "tmpfs", 0, options.c_str()) == 0;
    if (!mounted_) {
        refusal_ = "cannot mount a small tmpfs here (" + std::string(std::strerror(errno)) +
                   "); the test needs root or CAP_SYS_ADMIN";
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
}

void SmallDisk::fillSpace() {
    requireMounted(mounted_);
    const std::string filler = (path() / kFillerPrefix).string();
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + filler);
    const std::string chunk(4096, 'f');
    // Whole pages first, then single bytes for the rest of the last page.
    for (std::size_t size = chunk.size(); size > 0; size = size > 1 ? 1 : 0) {
        while (::write(fd, chunk.data(), size) > 0) {
        }
    }
    ::close(fd);
}

void SmallDisk::fillInodes() {
    requireMounted(mounted_);
    for (int i = 0;; ++i) {
        const std::string name = (path() / (kFillerPrefix + std::to_string(i))).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) break;
        ::close(fd);
    }
}

void SmallDisk::makeReadOnly() {
    requireMounted(mounted_);
    const std::string target = path().string();
    if (::mount("tmpfs", target.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        throw std::runtime_error("cannot remount " + target + " read-only");
    }
}

std::vector<std::string> SmallDisk::names() const {
    std::vector<std::string> names = namesIn(path());
    names.erase(
        std::remove_if(names.begin(), names.end(),
                       [](const std::string& name) { return name.rfind(kFillerPrefix, 0) == 0; }),
        names.end());
    return names;
}

}  // namespace kelvane::test
