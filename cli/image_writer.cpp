#include "cli/image_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/graphic.h"

namespace kelvane::cli {

namespace {

enum class Kind { Png, Pam, Ppm, Bmp, Unknown };

Kind kindOf(const std::string& path) {
    const std::string extension = fileExtension(path);
    if (sameExtension(extension, "png")) return Kind::Png;
    if (sameExtension(extension, "pam")) return Kind::Pam;
    if (sameExtension(extension, "ppm")) return Kind::Ppm;
    if (sameExtension(extension, "bmp")) return Kind::Bmp;
    return Kind::Unknown;
}

[[noreturn]] void cannotCreate(const std::string& path) {
    throw std::runtime_error("Cannot create file " + path);
}

// The pixels with 3 or 4 bytes each.
std::vector<std::uint8_t> packed(const Rgba8Image& image, bool alpha) {
    if (alpha) return image.pixels;
    std::vector<std::uint8_t> out(std::size_t(image.width) * image.height * 3);
    for (std::size_t i = 0, n = out.size() / 3; i < n; ++i)
        for (int c = 0; c < 3; ++c) out[i * 3 + c] = image.pixels[i * 4 + c];
    return out;
}

void writePng(const Rgba8Image& image, const std::string& path) {
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) cannotCreate(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        cannotCreate(path);
    }
    const std::vector<std::uint8_t> pixels = packed(image, image.hasAlpha);
    const std::size_t rowBytes = std::size_t(image.width) * (image.hasAlpha ? 4 : 3);
    std::vector<png_bytep> rows(image.height);
    for (std::uint32_t y = 0; y < image.height; ++y)
        rows[y] = const_cast<png_bytep>(pixels.data() + y * rowBytes);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        cannotCreate(path);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.width, image.height, 8,
                 image.hasAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) cannotCreate(path);
}

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

std::string bmpBytes(const Rgba8Image& image) {
    const std::size_t stride = (std::size_t(image.width) * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = std::uint32_t(stride * image.height);
    std::string out = "BM";
    putLe(out, 54 + dataSize, 4);
    putLe(out, 0, 4);
    putLe(out, 54, 4);
    putLe(out, 40, 4);
    putLe(out, image.width, 4);
    putLe(out, image.height, 4);
    putLe(out, 1, 2);
    putLe(out, 24, 2);
    putLe(out, 0, 4);
    putLe(out, dataSize, 4);
    putLe(out, 2835, 4);
    putLe(out, 2835, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    std::string row(stride, '\0');
    for (std::uint32_t y = image.height; y-- > 0;) {
        const std::uint8_t* in = image.pixels.data() + std::size_t(y) * image.width * 4;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            row[x * 3] = char(in[x * 4 + 2]);
            row[x * 3 + 1] = char(in[x * 4 + 1]);
            row[x * 3 + 2] = char(in[x * 4]);
        }
        out += row;
    }
    return out;
}

void writeBytes(const std::string& path, const std::string& header,
                const std::vector<std::uint8_t>& body) {
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), std::streamsize(header.size()));
    out.write(reinterpret_cast<const char*>(body.data()), std::streamsize(body.size()));
    if (!out.flush()) cannotCreate(path);
}

}  // namespace

bool isWritableImagePath(const std::string& path) {
    return kindOf(path) != Kind::Unknown;
}

void writeImage(const Rgba8Image& image, const std::string& path) {
    const std::string size = std::to_string(image.width) + " " + std::to_string(image.height);
    switch (kindOf(path)) {
        case Kind::Png:
            writePng(image, path);
            break;
        case Kind::Pam: {
            const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                                       std::to_string(image.height) + "\nDEPTH " +
                                       (image.hasAlpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                                       (image.hasAlpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
            writeBytes(path, header, packed(image, image.hasAlpha));
            break;
        }
        case Kind::Ppm:
            writeBytes(path, "P6\n" + size + "\n255\n", packed(image, false));
            break;
        case Kind::Bmp:
            writeBytes(path, bmpBytes(image), {});
            break;
        case Kind::Unknown:
            cannotCreate(path);
    }
}

}  // namespace kelvane::cli
