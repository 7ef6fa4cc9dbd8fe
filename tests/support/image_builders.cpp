#include "tests/support/image_builders.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace kelvane::test {

void putLe16(std::string& out, unsigned value) {
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void putLe32(std::string& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

std::string flatTarga(std::uint16_t width, std::uint16_t height) {
    std::string pixels;
    for (int i = 0; i < width * height; ++i) pixels += "\x10\x20\x30";
    return tgaHeader({.width = width, .height = height}) + pixels;
}

std::string toneWav(std::uint32_t samples, double amplitude) {
    const std::uint32_t rate = 8000;
    std::string wav = "RIFF";
    putLe32(wav, 36 + samples * 2);
    wav += "WAVEfmt ";
    putLe32(wav, 16);
    putLe16(wav, 1);  // PCM
    putLe16(wav, 1);  // mono
    putLe32(wav, rate);
    putLe32(wav, rate * 2);
    putLe16(wav, 2);
    putLe16(wav, 16);
    wav += "data";
    putLe32(wav, samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double sample = amplitude * std::sin(2.0 * M_PI * 440.0 * i / rate);
        putLe16(wav, static_cast<std::uint16_t>(static_cast<std::int16_t>(sample)));
    }
    return wav;
}

std::string tgaHeader(const TgaHeader& h) {
    std::string out;
    out += char(h.idLength);
    out += char(h.colorMapType);
    out += char(h.imageType);
    putLe16(out, h.firstEntry);
    putLe16(out, h.colorMapLength);
    out += char(h.colorMapEntrySize);
    putLe32(out, 0);  // origin
    putLe16(out, h.width);
    putLe16(out, h.height);
    out += char(h.pixelSize);
    out += char(h.descriptor);
    return out;
}

std::string tgaRunLength(const std::string& pixels, unsigned bpp, unsigned width) {
    std::string out;
    const std::size_t rowBytes = std::size_t(width) * bpp;
    for (std::size_t row = 0; row < pixels.size(); row += rowBytes) {
        auto pixel = [&](unsigned x) { return pixels.substr(row + std::size_t(x) * bpp, bpp); };
        unsigned x = 0;
        while (x < width) {
            unsigned run = 1;
            while (x + run < width && run < 128 && pixel(x + run) == pixel(x)) ++run;
            if (run > 1) {
                out += char(0x80 | (run - 1));
                out += pixel(x);
            } else {
                unsigned count = 1;
                while (x + count < width && count < 128 &&
                       !(x + count + 1 < width && pixel(x + count) == pixel(x + count + 1)))
                    ++count;
                out += char(count - 1);
                out += pixels.substr(row + std::size_t(x) * bpp, std::size_t(count) * bpp);
                run = count;
            }
            x += run;
        }
    }
    return out;
}

std::string buildBmp(const BmpLayout& layout, const std::string& pixelData) {
    std::string info;
    putLe32(info, layout.headerSize);
    putLe32(info, std::uint32_t(layout.width));
    putLe32(info, std::uint32_t(layout.height));
    putLe16(info, 1);
    putLe16(info, layout.bits);
    putLe32(info, layout.compression);
    putLe32(info, std::uint32_t(pixelData.size()));
    putLe32(info, 2835);
    putLe32(info, 2835);
    putLe32(info, std::uint32_t(layout.palette.size() / 4));
    putLe32(info, 0);
    info += layout.extraHeader;
    const std::uint32_t offset = std::uint32_t(14 + info.size() + layout.palette.size());
    std::string file = "BM";
    putLe32(file, std::uint32_t(offset + pixelData.size()));
    putLe32(file, 0);
    putLe32(file, offset);
    return file + info + layout.palette + pixelData;
}

std::string buildIcon(unsigned width, unsigned height, unsigned bits, const std::string& image) {
    std::string file;
    putLe16(file, 0);            // reserved
    putLe16(file, 1);            // icon
    putLe16(file, 1);            // one image
    file += char(width & 0xFF);  // 256 is stored as 0
    file += char(height & 0xFF);
    file += char(0);  // colour count
    file += char(0);
    putLe16(file, 1);  // planes
    putLe16(file, bits);
    putLe32(file, std::uint32_t(image.size()));
    putLe32(file, 22);  // offset: just after this single entry
    return file + image;
}

std::string encodeJpeg(const std::vector<std::uint8_t>& pixels, unsigned width, unsigned height,
                       unsigned components, bool progressive, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = int(components);
    // Four components are CMYK, which libjpeg marks with an Adobe marker.
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) +
                       std::size_t(info.next_scanline) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::vector<std::uint8_t> decodeJpegWithLibjpeg(const std::string& jpeg, unsigned& width,
                                                unsigned& height, unsigned& components) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space != JCS_GRAYSCALE) info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    components = unsigned(info.output_components);
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * components);
    while (info.output_scanline < height) {
        JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * width * components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

namespace {

void putBe32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += char(value >> shift);
}

void putChunk(std::string& out, const char* type, const std::string& body) {
    putBe32(out, std::uint32_t(body.size()));
    const std::string typed = type + body;
    out += typed;
    putBe32(out, std::uint32_t(
                     crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
}

unsigned pngChannels(unsigned colorType) {
    switch (colorType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

// The filtered (filter type 0) rows of the pixels at x0 + i * dx, y0 + j * dy.
void putRows(std::string& out, const PngLayout& png, unsigned x0, unsigned y0, unsigned dx,
             unsigned dy) {
    const unsigned channels = pngChannels(png.colorType);
    for (std::uint32_t y = y0; y < png.height; y += dy) {
        if (x0 >= png.width) break;
        out += '\0';
        unsigned accumulator = 0, bits = 0;
        for (std::uint32_t x = x0; x < png.width; x += dx) {
            for (unsigned c = 0; c < channels; ++c) {
                const unsigned value = png.samples[(std::size_t(y) * png.width + x) * channels + c];
                if (png.bitDepth == 16) {
                    out += char(value >> 8);
                    out += char(value);
                    continue;
                }
                accumulator = (accumulator << png.bitDepth) | value;
                bits += png.bitDepth;
                if (bits == 8) {
                    out += char(accumulator);
                    accumulator = bits = 0;
                }
            }
        }
        if (bits > 0) out += char(accumulator << (8 - bits));
    }
}

}  // namespace

std::string buildPng(const PngLayout& png) {
    std::string header;
    putBe32(header, png.width);
    putBe32(header, png.height);
    header += char(png.bitDepth);
    header += char(png.colorType);
    header += std::string(2, '\0');
    header += char(png.interlaced ? 1 : 0);
    std::string rows;
    if (png.interlaced) {
        static const unsigned kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                               {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                               {0, 1, 1, 2}};
        for (const auto& pass : kPasses) putRows(rows, png, pass[0], pass[1], pass[2], pass[3]);
    } else {
        putRows(rows, png, 0, 0, 1, 1);
    }
    uLongf packedSize = compressBound(uLong(rows.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()));
    packed.resize(packedSize);

    std::string file = "\x89PNG\r\n\x1a\n";
    putChunk(file, "IHDR", header);
    if (!png.palette.empty()) putChunk(file, "PLTE", png.palette);
    if (!png.transparency.empty()) putChunk(file, "tRNS", png.transparency);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", "");
    return file;
}

std::vector<std::uint8_t> photographicRgb(unsigned side) {
    std::vector<std::uint8_t> rgb(std::size_t(side) * side * 3);
    std::uint32_t noise = 12345;
    for (unsigned y = 0; y < side; ++y)
        for (unsigned x = 0; x < side; ++x) {
            const double u = double(x) / side, v = double(y) / side;
            // Light and shade carry most of the change, colour a little, as in a photograph.
            const double light = 120 + 90 * std::sin(5 * u + 2 * v) * std::cos(3 * v - u);
            const double tint[3] = {30 * std::sin(4 * v), 10 * std::cos(3 * u),
                                    -25 * std::sin(2 * (u + v))};
            for (unsigned c = 0; c < 3; ++c) {
                noise = noise * 1664525u + 1013904223u;
                const double value = light + tint[c] + double(noise >> 30) - 1.5;
                rgb[(std::size_t(y) * side + x) * 3 + c] =
                    std::uint8_t(std::clamp(value, 0.0, 255.0));
            }
        }
    return rgb;
}

}  // namespace kelvane::test
