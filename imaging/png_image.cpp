#include "imaging/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/graphic_errors.h"

namespace kelvane {
namespace {

constexpr const char* kFormat = "PNG";
constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// What libpng reads from and where its fatal error goes. libpng's errors jump back by
// longjmp to the stage that called setjmp; those stages hold only trivially destructible
// objects, and the decoding function throws once they have returned.
struct Reading {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
    char message[200];
};

void readData(png_structp png, png_bytep target, png_size_t count) {
    auto* reading = static_cast<Reading*>(png_get_io_ptr(png));
    if (count > reading->size - reading->position) png_error(png, "the file ends early");
    std::memcpy(target, reading->data + reading->position, count);
    reading->position += count;
}

[[noreturn]] void fail(png_structp png, png_const_charp message) {
    auto* reading = static_cast<Reading*>(png_get_error_ptr(png));
    std::strncpy(reading->message, message, sizeof reading->message - 1);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The layout of the rows once libpng's transformations are set.
struct Layout {
    png_uint_32 width, height;
    bool indexed;  // one byte per pixel: a palette index or a grey level
    bool alpha;    // blue-green-red-alpha, else blue-green-red
    bool grey;
    int passes;  // 7 for an interlaced picture, else 1
};

// Reads the header and sets the transformations that give 8-bit indices, grey levels, BGR
// or BGRA. False when libpng fails.
bool readHeader(png_structp png, png_infop info, Layout& layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    const int colorType = png_get_color_type(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    layout.alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
    layout.grey = (colorType & PNG_COLOR_MASK_COLOR) == 0 && !layout.alpha;
    layout.indexed = !layout.alpha && (colorType == PNG_COLOR_TYPE_PALETTE || layout.grey);
    png_set_scale_16(png);
    png_set_packing(png);
    if (layout.grey) png_set_expand_gray_1_2_4_to_8(png);
    if (layout.alpha) {
        png_set_expand(png);  // palette to RGB, grey to 8 bits, tRNS to alpha
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    layout.passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.width = png_get_image_width(png, info);
    layout.height = png_get_image_height(png, info);
    return true;
}

// Each pass of an interlaced picture goes over every row, libpng filling in its pixels.
bool readRows(png_structp png, const Layout& layout, Bitmap& picture) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (int pass = 0; pass < layout.passes; ++pass)
        for (png_uint_32 y = 0; y < layout.height; ++y)
            png_read_row(png, picture.scanLine(y), nullptr);
    png_read_end(png, nullptr);
    return true;
}

Palette pictureColors(png_structp png, png_infop info, const Layout& layout) {
    Palette colors(layout.grey ? 256 : 0);
    if (layout.grey) {
        for (unsigned i = 0; i < 256; ++i)
            colors[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 255};
        return colors;
    }
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) != 0)
        for (int i = 0; i < count; ++i)
            colors.push_back({entries[i].red, entries[i].green, entries[i].blue, 255});
    return colors;
}

// Owns libpng's reading structures.
class PngReader {
  public:
    explicit PngReader(Reading& reading)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, fail, ignoreWarning)),
          info_(png_ != nullptr ? png_create_info_struct(png_) : nullptr) {
        if (info_ == nullptr) throw std::bad_alloc();
        png_set_read_fn(png_, &reading, readData);
        // Header values are checked against the image limit once read, not by libpng's own.
        png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    }
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_;
    png_infop info_;
};

[[noreturn]] void refuse(const Reading& reading) {
    throw EInvalidGraphic(std::string("PNG error: ") + reading.message);
}

}  // namespace

bool TPNGGraphic::CanLoad(ImageStream& stream) {
    const std::uint64_t start = stream.position();
    unsigned char signature[sizeof kSignature] = {};
    const std::size_t got = stream.read(signature, sizeof signature);
    stream.seek(start);
    return got == sizeof signature && std::memcmp(signature, kSignature, sizeof signature) == 0;
}

void TPNGGraphic::LoadFromStream(ImageStream& stream) {
    clear();
    const std::vector<std::uint8_t> data = readRest(stream);
    if (data.size() < sizeof kSignature || std::memcmp(data.data(), kSignature, sizeof kSignature))
        throwInvalidImage(kFormat);
    Reading reading{data.data(), data.size(), 0, {}};
    PngReader reader(reading);
    Layout layout{};
    if (!readHeader(reader.png(), reader.info(), layout)) refuse(reading);
    checkImageSize(layout.width, layout.height,
                   layout.indexed ? 8
                   : layout.alpha ? 32
                                  : 24,
                   kFormat);
    Bitmap picture;
    picture.setPixelFormat(layout.indexed ? PixelFormat::pf8bit
                           : layout.alpha ? PixelFormat::pf32bit
                                          : PixelFormat::pf24bit);
    picture.setSize(layout.width, layout.height, false);
    if (layout.indexed) picture.setPalette(pictureColors(reader.png(), reader.info(), layout));
    if (!readRows(reader.png(), layout, picture)) refuse(reading);
    static_cast<Bitmap&>(*this) = std::move(picture);
}

namespace {
std::unique_ptr<Graphic> createPng() {
    return std::make_unique<TPNGGraphic>();
}
}  // namespace

const GraphicClass kPNGGraphicClass{"TPNGGraphic", createPng, TPNGGraphic::CanLoad};

}  // namespace kelvane
