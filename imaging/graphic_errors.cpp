#include "imaging/graphic_errors.h"

namespace kelvane {

std::string invalidImageMessage(std::string_view format) {
    return "Cannot load image. Invalid or unexpected " + std::string(format) + " image format.";
}

std::string notSupportedMessage(std::string_view what, std::string_view format) {
    return "Cannot load image. " + std::string(what) + " not supported for " + std::string(format) +
           " files.";
}

namespace {
std::uint64_t imageByteLimit = std::uint64_t{1} << 30;
}  // namespace

std::uint64_t maxImageBytes() {
    return imageByteLimit;
}
void setMaxImageBytes(std::uint64_t bytes) {
    imageByteLimit = bytes;
}

void throwInvalidImage(std::string_view format) {
    throw EInvalidGraphic(invalidImageMessage(format));
}

void checkImageSize(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel,
                    std::string_view format) {
    // Each factor stays below 2^32, so the row size cannot overflow 64 bits.
    if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu) throwInvalidImage(format);
    const std::uint64_t rowBytes = (width * bitsPerPixel + 7) / 8;
    if (height != 0 && rowBytes > imageByteLimit / height) throwInvalidImage(format);
}

}  // namespace kelvane
