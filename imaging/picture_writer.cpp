#include "imaging/picture_writer.h"

#include <png.h>
#include <zlib.h>

#include <array>
#include <csetjmp>
#include <exception>
#include <stdexcept>
#include <streambuf>
#include <vector>

#include "imaging/graphic.h"
#include "platform/atomic_output_file.h"

namespace kelvane {

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

// Stream bytes bound for an atomic output file. The file's own failure (a full disk, say) is
// kept, so that it rather than the stream's bare failure reaches the user.
class AtomicFileBuffer : public std::streambuf {
  public:
    explicit AtomicFileBuffer(AtomicOutputFile& file) : file_(file) { resetArea(); }

    void rethrowFailure() const {
        if (failure_) std::rethrow_exception(failure_);
    }

  protected:
    int_type overflow(int_type c) override {
        if (!flushArea()) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return flushArea() ? 0 : -1; }

  private:
    void resetArea() { setp(area_.data(), area_.data() + area_.size()); }
    bool flushArea() {
        if (failure_) return false;
        try {
            file_.write(pbase(), std::size_t(pptr() - pbase()));
        } catch (...) {
            failure_ = std::current_exception();
            return false;
        }
        resetArea();
        return true;
    }

    AtomicOutputFile& file_;
    std::array<char, 65536> area_;
    std::exception_ptr failure_;
};

[[noreturn]] void cannotCreate(const std::string& path) {
    throw std::runtime_error("Cannot create file " + path);
}

// One row of the picture at a time, as 8-bit RGB or RGBA (or BGR for bitmaps).
class RowPacker {
  public:
    RowPacker(const Bitmap& picture, bool alpha, bool bgr = false)
        : picture_(picture), alpha_(alpha), bgr_(bgr), row_(std::size_t{picture.width()} * 4) {}

    std::size_t rowBytes() const { return std::size_t{picture_.width()} * (alpha_ ? 4 : 3); }

    // The packed row `y`; valid until the next call.
    const std::uint8_t* row(std::uint32_t y) {
        picture_.rowToRgba8(y, row_.data());
        if (alpha_ && !bgr_) return row_.data();
        std::uint8_t* out = row_.data();
        for (std::size_t x = 0, n = picture_.width(); x < n; ++x) {
            const std::uint8_t* in = row_.data() + 4 * x;
            const std::uint8_t red = in[0], green = in[1], blue = in[2];
            out[0] = bgr_ ? blue : red;
            out[1] = green;
            out[2] = bgr_ ? red : blue;
            out += 3;
        }
        return row_.data();
    }

  private:
    const Bitmap& picture_;
    bool alpha_;
    bool bgr_;
    std::vector<std::uint8_t> row_;
};

void write(std::ostream& sink, const void* data, std::size_t size) {
    sink.write(static_cast<const char*>(data), std::streamsize(size));
}

void writePng(const Bitmap& picture, std::ostream& sink) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        sink.setstate(std::ios::badbit);
        return;
    }
    RowPacker packer(picture, picture.hasAlpha());
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        sink.setstate(std::ios::badbit);
        return;
    }
    // A failing sink stops libpng through its own error path.
    png_set_write_fn(
        png, &sink,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto& out = *static_cast<std::ostream*>(png_get_io_ptr(p));
            write(out, data, size);
            if (!out) png_error(p, "write failed");
        },
        [](png_structp p) { static_cast<std::ostream*>(png_get_io_ptr(p))->flush(); });
    png_set_IHDR(png, info, picture.width(), picture.height(), 8,
                 picture.hasAlpha() ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Pictures are written for editing, not for keeping small: the fastest compression.
    png_set_compression_level(png, Z_BEST_SPEED);
    png_write_info(png, info);
    for (std::uint32_t y = 0; y < picture.height(); ++y) png_write_row(png, packer.row(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

void writeRows(const Bitmap& picture, std::ostream& sink, bool alpha) {
    RowPacker packer(picture, alpha);
    for (std::uint32_t y = 0; y < picture.height() && sink; ++y)
        write(sink, packer.row(y), packer.rowBytes());
}

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

void writeBmp(const Bitmap& picture, std::ostream& sink) {
    const std::size_t stride = (std::size_t(picture.width()) * 3 + 3) / 4 * 4;
    const std::uint32_t dataSize = std::uint32_t(stride * picture.height());
    std::string header = "BM";
    putLe(header, 54 + dataSize, 4);
    putLe(header, 0, 4);
    putLe(header, 54, 4);
    putLe(header, 40, 4);
    putLe(header, picture.width(), 4);
    putLe(header, picture.height(), 4);
    putLe(header, 1, 2);
    putLe(header, 24, 2);
    putLe(header, 0, 4);
    putLe(header, dataSize, 4);
    putLe(header, 2835, 4);
    putLe(header, 2835, 4);
    putLe(header, 0, 4);
    putLe(header, 0, 4);
    write(sink, header.data(), header.size());
    RowPacker packer(picture, false, true);
    const char padding[3] = {};
    // Bottom row first.
    for (std::uint32_t y = picture.height(); y-- > 0 && sink;) {
        write(sink, packer.row(y), packer.rowBytes());
        write(sink, padding, stride - packer.rowBytes());
    }
}

}  // namespace

bool isWritableImagePath(const std::string& path) {
    return kindOf(path) != Kind::Unknown;
}

void writeImage(const Bitmap& picture, const std::string& path, std::ostream& sink) {
    const bool alpha = picture.hasAlpha();
    switch (kindOf(path)) {
        case Kind::Png:
            writePng(picture, sink);
            break;
        case Kind::Pam: {
            const std::string header = "P7\nWIDTH " + std::to_string(picture.width()) +
                                       "\nHEIGHT " + std::to_string(picture.height()) + "\nDEPTH " +
                                       (alpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                                       (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
            write(sink, header.data(), header.size());
            writeRows(picture, sink, alpha);
            break;
        }
        case Kind::Ppm: {
            const std::string header = "P6\n" + std::to_string(picture.width()) + " " +
                                       std::to_string(picture.height()) + "\n255\n";
            write(sink, header.data(), header.size());
            writeRows(picture, sink, false);
            break;
        }
        case Kind::Bmp:
            writeBmp(picture, sink);
            break;
        case Kind::Unknown:
            cannotCreate(path);
    }
    if (!sink.flush()) cannotCreate(path);
}

void writeImage(const Bitmap& picture, const std::string& path, AtomicOutputFile& file) {
    if (!isWritableImagePath(path)) cannotCreate(path);
    AtomicFileBuffer buffer(file);
    std::ostream stream(&buffer);
    try {
        writeImage(picture, path, stream);
        stream.flush();
    } catch (...) {
        buffer.rethrowFailure();
        throw;
    }
    buffer.rethrowFailure();
}

void writeImageFile(const Bitmap& picture, const std::string& path) {
    if (!isWritableImagePath(path)) cannotCreate(path);
    AtomicOutputFile file(path);
    writeImage(picture, path, file);
    file.commit();
}

}  // namespace kelvane
