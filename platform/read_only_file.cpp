#include "platform/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace kelvane {
namespace {
constexpr std::size_t kWindowSize = 256 * 1024;
}  // namespace

ReadOnlyFile::~ReadOnlyFile() {
    close();
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      size_(std::exchange(other.size_, 0)),
      window_(std::exchange(other.window_, {})) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
        window_ = std::exchange(other.window_, {});
    }
    return *this;
}

bool ReadOnlyFile::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = info.st_size;
    return true;
}

ReadOnlyFile ReadOnlyFile::duplicate() const {
    ReadOnlyFile copy;
    if (fd_ < 0) return copy;
    copy.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (copy.fd_ < 0) throw std::runtime_error(std::string("Cannot read: ") + std::strerror(errno));
    copy.size_ = size_;
    return copy;
}

void ReadOnlyFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    window_ = {};
}

std::size_t ReadOnlyFile::readAt(std::int64_t offset, char* buffer, std::size_t count) const {
    if (count >= kWindowSize / 2 || offset < 0) return readDirect(offset, buffer, count);
    const bool inside = window_.bytes && offset >= window_.start &&
                        offset + std::int64_t(count) <= window_.start + std::int64_t(window_.size);
    if (!inside) {
        if (!window_.bytes) window_.bytes = std::make_unique_for_overwrite<char[]>(kWindowSize);
        window_.size = 0;  // stays empty should the read fail
        window_.size = readDirect(offset, window_.bytes.get(), kWindowSize);
        window_.start = offset;
    }
    const std::int64_t from = offset - window_.start;
    const std::size_t got =
        std::min<std::size_t>(count, std::size_t(std::int64_t(window_.size) - from));
    std::memcpy(buffer, window_.bytes.get() + from, got);
    return got;
}

std::size_t ReadOnlyFile::readDirect(std::int64_t offset, char* buffer, std::size_t count) const {
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::pread(fd_, buffer + done, count - done, offset + std::int64_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            throw std::runtime_error("Read error at byte " +
                                     std::to_string(offset + std::int64_t(done)) + ": " +
                                     std::strerror(errno));
        }
        if (got == 0) break;
        done += std::size_t(got);
    }
    return done;
}

namespace {
constexpr std::size_t kReadAhead = 64 * 1024;
}

SequentialReader::SequentialReader(const ReadOnlyFile& file, std::int64_t position)
    : file_(file), position_(position), buffer_(kReadAhead) {}

bool SequentialReader::refill() {
    bufferStart_ = 0;
    bufferEnd_ = position_ < 0 ? 0 : file_.readAt(position_, buffer_.data(), buffer_.size());
    return bufferEnd_ > 0;
}

void SequentialReader::read(char* target, std::size_t count) {
    while (count > 0) {
        if (bufferStart_ == bufferEnd_ && !refill()) throw StreamReadError();
        std::size_t take = std::min(count, bufferEnd_ - bufferStart_);
        std::memcpy(target, buffer_.data() + bufferStart_, take);
        bufferStart_ += take;
        position_ += std::int64_t(take);
        target += take;
        count -= take;
    }
}

std::string SequentialReader::read(std::size_t count) {
    if (std::int64_t(count) > remaining()) throw StreamReadError();
    std::string bytes(count, '\0');
    read(bytes.data(), count);
    return bytes;
}

std::string SequentialReader::readNulTerminated() {
    std::string text;
    for (;;) {
        if (bufferStart_ == bufferEnd_ && !refill()) throw StreamReadError();
        const char* begin = buffer_.data() + bufferStart_;
        const char* end = buffer_.data() + bufferEnd_;
        const char* nul = std::find(begin, end, '\0');
        text.append(begin, nul);
        std::size_t consumed = std::size_t(nul - begin) + (nul != end ? 1 : 0);
        bufferStart_ += consumed;
        position_ += std::int64_t(consumed);
        if (nul != end) return text;
    }
}

}  // namespace kelvane
