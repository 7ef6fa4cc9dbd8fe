#include "imaging/libtiff_picture.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <exception>
#include <limits>
#include <vector>

#include "imaging/graphic_errors.h"

namespace kelvane {
namespace {

constexpr const char* kFormatName = "TIF/TIFF";

// A picture decoded by libtiff; a refusal keeps libtiff's first message.
class LibtiffPicture : public Graphic {
  public:
    void LoadFromStream(ImageStream& stream) override;
    std::string firstError;
};

// libtiff's view of the stream: offsets from where loading started, and the first message
// it gives (its warnings and errors never reach the standard error).
struct Source {
    ImageStream& stream;
    std::uint64_t base;
    std::string firstError;
};

Source& sourceOf(thandle_t handle) {
    return *static_cast<Source*>(handle);
}

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t count) {
    // A stream that throws (a damaged archive entry) must not unwind through libtiff.
    try {
        return static_cast<tmsize_t>(sourceOf(handle).stream.read(buffer, std::size_t(count)));
    } catch (...) {
        return -1;
    }
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    Source& source = sourceOf(handle);
    try {
        std::uint64_t origin = source.base;
        if (whence == SEEK_CUR) origin = source.stream.position();
        if (whence == SEEK_END) origin = source.stream.size();
        if (offset > std::numeric_limits<std::uint64_t>::max() - origin) return toff_t(-1);
        source.stream.seek(origin + offset);
        return source.stream.position() - source.base;
    } catch (...) {
        return toff_t(-1);
    }
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t handle) {
    const Source& source = sourceOf(handle);
    const std::uint64_t size = source.stream.size();
    return size > source.base ? size - source.base : 0;
}

int keepFirstMessage(TIFF*, void* userData, const char* module, const char* format,
                     va_list arguments) {
    Source& source = *static_cast<Source*>(userData);
    if (source.firstError.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        source.firstError = std::string(module ? module : "libtiff") + ": " + text;
    }
    return 1;  // handled: not passed on to libtiff's default handler
}

int dropWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct CloseTiff {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct FreeOptions {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// Colour multiplied by alpha, as libtiff renders it, back to full strength.
std::uint8_t unpremultiplied(std::uint32_t colour, std::uint32_t alpha) {
    if (alpha == 0) return 0;
    const std::uint32_t value = (colour * 255 + alpha / 2) / alpha;
    return static_cast<std::uint8_t>(value > 255 ? 255 : value);
}

void LibtiffPicture::LoadFromStream(ImageStream& stream) {
    clear();
    Source source{stream, stream.position(), {}};
    const std::unique_ptr<TIFFOpenOptions, FreeOptions> options(TIFFOpenOptionsAlloc());
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepFirstMessage, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), dropWarning, nullptr);
    // No single buffer of libtiff's beyond what a decoder may allocate.
    const std::uint64_t limit = maxImageBytes();
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options.get(), static_cast<tmsize_t>(std::min<std::uint64_t>(
                           limit, std::uint64_t(std::numeric_limits<tmsize_t>::max()))));
    // "m": no memory mapping, the callbacks are the only way to the bytes.
    const std::unique_ptr<TIFF, CloseTiff> tiff(
        TIFFClientOpenExt("picture", "rm", &source, readProc, writeProc, seekProc, closeProc,
                          sizeProc, nullptr, nullptr, options.get()));
    const auto refuse = [&] {
        firstError = source.firstError;
        throwInvalidImage(kFormatName);
    };
    if (!tiff) refuse();

    char message[1024] = {};
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageOK(tiff.get(), message) ||
        !TIFFRGBAImageBegin(&image, tiff.get(), /*stopOnError*/ 1, message)) {
        if (source.firstError.empty()) source.firstError = message;
        refuse();
    }
    struct EndImage {
        TIFFRGBAImage& image;
        ~EndImage() { TIFFRGBAImageEnd(&image); }
    } end{image};
    image.req_orientation = ORIENTATION_TOPLEFT;
    const std::uint32_t width = image.width, height = image.height;
    checkImageSize(width, height, 32, kFormatName);
    std::vector<std::uint32_t> raster(std::size_t{width} * height);
    if (raster.empty() || !TIFFRGBAImageGet(&image, raster.data(), width, height)) refuse();

    const bool alpha = image.alpha != 0;
    setPixelFormat(alpha ? PixelFormat::pf32bit : PixelFormat::pf24bit);
    setSize(width, height, false);
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* in = raster.data() + std::size_t{y} * width;
        std::uint8_t* out = scanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = in[x];
            const std::uint32_t a = TIFFGetA(pixel);
            if (alpha) {
                *out++ = unpremultiplied(TIFFGetB(pixel), a);
                *out++ = unpremultiplied(TIFFGetG(pixel), a);
                *out++ = unpremultiplied(TIFFGetR(pixel), a);
                *out++ = static_cast<std::uint8_t>(a);
            } else {
                *out++ = static_cast<std::uint8_t>(TIFFGetB(pixel));
                *out++ = static_cast<std::uint8_t>(TIFFGetG(pixel));
                *out++ = static_cast<std::uint8_t>(TIFFGetR(pixel));
            }
        }
    }
}

}  // namespace

std::unique_ptr<Graphic> decodeWithLibtiff(ImageStream& stream, std::string* firstError) {
    auto picture = std::make_unique<LibtiffPicture>();
    try {
        picture->LoadFromStream(stream);
        return picture;
    } catch (const std::exception& error) {
        if (firstError != nullptr)
            *firstError = picture->firstError.empty() ? englishText(error) : picture->firstError;
        return nullptr;
    }
}

}  // namespace kelvane
