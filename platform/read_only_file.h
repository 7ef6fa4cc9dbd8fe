#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bilingual_error.h"

namespace kelvane {

// A file opened for reading only, read at explicit offsets. Moving it moves the handle.
class ReadOnlyFile {
  public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // False when the file cannot be opened for reading (missing, unreadable, a directory).
    bool open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    // The same file through a handle of its own, with a read-ahead window of its own: one
    // per thread that reads the file at the same time as others.
    ReadOnlyFile duplicate() const;
    int descriptor() const { return fd_; }
    std::int64_t size() const { return size_; }

    // Reads up to `count` bytes at `offset`; returns how many were read (fewer only at the
    // end of the file). Throws std::runtime_error on an I/O error. Small reads are served
    // from a read-ahead window, so that copying many small entries lying one after another
    // costs one system call per window instead of one per entry.
    std::size_t readAt(std::int64_t offset, char* buffer, std::size_t count) const;

  private:
    struct Window {
        std::unique_ptr<char[]> bytes;
        std::int64_t start = 0;
        std::size_t size = 0;
    };

    void close();
    std::size_t readDirect(std::int64_t offset, char* buffer, std::size_t count) const;

    int fd_ = -1;
    std::int64_t size_ = 0;
    mutable Window window_;
};

// Reads a file front to back through a buffer, so that byte-by-byte parsing costs no system
// call per byte. Reading past the end throws StreamReadError.
class SequentialReader {
  public:
    SequentialReader(const ReadOnlyFile& file, std::int64_t position);

    std::int64_t position() const { return position_; }
    std::int64_t remaining() const { return file_.size() - position_; }

    void read(char* target, std::size_t count);
    std::string read(std::size_t count);
    // The bytes up to the next NUL, which is consumed and not returned.
    std::string readNulTerminated();

  private:
    bool refill();

    const ReadOnlyFile& file_;
    std::int64_t position_;  // file offset of the next byte handed out
    std::vector<char> buffer_;
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
};

// The message of every read that runs past the end of a file.
inline constexpr const char* kStreamReadError = "Stream read error";
inline constexpr const char* kStreamReadErrorFrench = "Erreur de lecture du flux";

class StreamReadError : public BilingualError {
  public:
    StreamReadError() : BilingualError(kStreamReadErrorFrench, kStreamReadError) {}
};

}  // namespace kelvane
