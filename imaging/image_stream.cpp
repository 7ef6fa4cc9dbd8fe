#include "imaging/image_stream.h"

#include <cstring>

#include "imaging/graphic_errors.h"

namespace kelvane {

void ImageStream::readBuffer(void* buffer, std::size_t count) {
    if (read(buffer, count) != count) throw EReadError();
}

std::uint64_t ImageStream::remaining() const {
    const std::uint64_t end = size();
    const std::uint64_t at = position();
    return at < end ? end - at : 0;
}

MemoryStream::MemoryStream(const void* data, std::size_t size)
    : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}

std::size_t MemoryStream::read(void* buffer, std::size_t count) {
    if (position_ >= size_) return 0;
    const std::size_t available = size_ - static_cast<std::size_t>(position_);
    const std::size_t n = count < available ? count : available;
    if (n != 0) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

FileStream::FileStream(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ == nullptr || fseeko(file_, 0, SEEK_END) != 0) {
        if (file_ != nullptr) std::fclose(file_);
        throw EFOpenError(path);
    }
    size_ = static_cast<std::uint64_t>(ftello(file_));
    fseeko(file_, 0, SEEK_SET);
}

FileStream::~FileStream() {
    std::fclose(file_);
}

std::size_t FileStream::read(void* buffer, std::size_t count) {
    if (position_ >= size_) return 0;
    const std::size_t n = std::fread(buffer, 1, count, file_);
    position_ += n;
    return n;
}

void FileStream::seek(std::uint64_t position) {
    if (position == position_) return;
    position_ = position;
    if (position <= size_) fseeko(file_, static_cast<off_t>(position), SEEK_SET);
}

std::vector<std::uint8_t> readRest(ImageStream& stream) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stream.remaining()));
    stream.readBuffer(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace kelvane
