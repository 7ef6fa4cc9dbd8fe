// Exceptions raised by the image decoders and their message texts. Every decoder reports
// failures through these kinds so that callers can show the text as it stands.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvane {

// A picture that cannot be decoded (bad header, unsupported feature, too large...).
class EInvalidGraphic : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A decompressor that fails inside the pixel data.
class EGraphicCompression : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A pixel-format conversion that the colour manager cannot do.
class EColorConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reading past the end of a stream.
class EReadError : public std::runtime_error {
  public:
    EReadError() : std::runtime_error("Stream read error") {}
};

// A file that cannot be opened for reading.
class EFOpenError : public std::runtime_error {
  public:
    explicit EFOpenError(const std::string& path)
        : std::runtime_error("Cannot open file \"" + path + "\"") {}
};

inline constexpr std::string_view kCompressionSchemeIs = "The compression scheme is";

// "Cannot load image. Invalid or unexpected <format> image format."
std::string invalidImageMessage(std::string_view format);
// "Cannot load image. <what> not supported for <format> files."
std::string notSupportedMessage(std::string_view what, std::string_view format);

[[noreturn]] void throwInvalidImage(std::string_view format);

// The largest pixel buffer a decoder allocates: 1 GiB unless lowered (the fuzz targets
// lower it to keep each input fast).
std::uint64_t maxImageBytes();
void setMaxImageBytes(std::uint64_t bytes);

// Refuses (with the invalid-format message) a picture whose pixel buffer would exceed
// maxImageBytes() or overflow; decoders call it before allocating from header values.
void checkImageSize(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel,
                    std::string_view format);

}  // namespace kelvane
