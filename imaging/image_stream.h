// Seekable byte input for the image decoders: a file or a block of memory. Positions are
// absolute; reading past the end yields fewer bytes (read) or EReadError (readBuffer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kelvane {

class ImageStream {
  public:
    virtual ~ImageStream() = default;
    // Reads up to `count` bytes; returns how many were read (0 at the end).
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    virtual std::uint64_t position() const = 0;
    // Any position may be set, even past the end (reads there yield nothing).
    virtual void seek(std::uint64_t position) = 0;
    virtual std::uint64_t size() const = 0;

    // Reads exactly `count` bytes or throws EReadError.
    void readBuffer(void* buffer, std::size_t count);
    std::uint64_t remaining() const;
};

// Reads a block of memory that the caller keeps alive.
class MemoryStream : public ImageStream {
  public:
    MemoryStream(const void* data, std::size_t size);
    std::size_t read(void* buffer, std::size_t count) override;
    std::uint64_t position() const override { return position_; }
    void seek(std::uint64_t position) override { position_ = position; }
    std::uint64_t size() const override { return size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t position_ = 0;
};

// Reads a file opened read-only; EFOpenError when it cannot be opened.
class FileStream : public ImageStream {
  public:
    explicit FileStream(const std::string& path);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::size_t read(void* buffer, std::size_t count) override;
    std::uint64_t position() const override { return position_; }
    void seek(std::uint64_t position) override;
    std::uint64_t size() const override { return size_; }

  private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

// Everything from the current position to the end.
std::vector<std::uint8_t> readRest(ImageStream& stream);

}  // namespace kelvane
