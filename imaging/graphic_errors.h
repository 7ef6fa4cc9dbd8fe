// Exceptions raised by the image decoders and their message texts. Every decoder reports
// failures through these kinds so that callers can show the text as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bilingual_error.h"
#include "platform/read_only_file.h"

namespace kelvane {

// The French of an image message from its English text (every message the decoders give, "%s"
// parts such as a format name kept as they stand); the English itself for a text it does
// not know.
std::string frenchImageText(std::string_view english);

// The image errors are told in both languages; they are raised with their English text,
// which stays as it is (the command line prints it), and find their French from it.

// A picture that cannot be decoded (bad header, unsupported feature, too large...).
class EInvalidGraphic : public BilingualError {
  public:
    explicit EInvalidGraphic(const std::string& english)
        : BilingualError(frenchImageText(english), english) {}
};

// A decompressor that fails inside the pixel data.
class EGraphicCompression : public BilingualError {
  public:
    explicit EGraphicCompression(const std::string& english)
        : BilingualError(frenchImageText(english), english) {}
};

// A pixel-format conversion that the colour manager cannot do.
class EColorConversionError : public BilingualError {
  public:
    explicit EColorConversionError(const std::string& english)
        : BilingualError(frenchImageText(english), english) {}
};

// Reading past the end of a stream.
class EReadError : public BilingualError {
  public:
    EReadError() : BilingualError(kStreamReadErrorFrench, kStreamReadError) {}
};

// A file that cannot be opened for reading.
class EFOpenError : public BilingualError {
  public:
    explicit EFOpenError(const std::string& path)
        : BilingualError("Impossible d'ouvrir le fichier \"" + path + "\"",
                         "Cannot open file \"" + path + "\"") {}
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
