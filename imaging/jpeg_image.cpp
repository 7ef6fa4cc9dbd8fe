#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/graphic_errors.h"
#include "imaging/platform_picture.h"

namespace kelvane {

namespace {

constexpr const char* kFormat = "JPEG";

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back
// to the decoding function, which then throws.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void errorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (a truncated stream, for instance) are not shown: the picture decodes as far as
// the data goes.
void ignoreMessage(j_common_ptr) {}

// The compressed data come from one block of memory.
const JOCTET kFakeEoi[] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr info) {
    // Out of data: end the image as if an EOI marker had come.
    info->src->next_input_byte = kFakeEoi;
    info->src->bytes_in_buffer = sizeof kFakeEoi;
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = info->src;
    if (std::size_t(count) > src->bytes_in_buffer) {
        src->bytes_in_buffer = 0;
        fillInputBuffer(info);
        return;
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= std::size_t(count);
}

void useMemorySource(jpeg_decompress_struct& info, jpeg_source_mgr& source,
                     const std::vector<std::uint8_t>& data) {
    source.init_source = initSource;
    source.fill_input_buffer = fillInputBuffer;
    source.skip_input_data = skipInputData;
    source.resync_to_restart = jpeg_resync_to_restart;
    source.term_source = termSource;
    source.next_input_byte = data.data();
    source.bytes_in_buffer = data.size();
    info.src = &source;
}

// CMYK rows (inverted as Adobe writes them when `inverted`) to blue-green-red.
void cmykToBgr(const std::uint8_t* in, std::uint8_t* out, std::uint32_t width, bool inverted) {
    for (std::uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[0] = std::uint8_t(y * k / 255);
        out[1] = std::uint8_t(m * k / 255);
        out[2] = std::uint8_t(c * k / 255);
    }
}

// For a bitmap offered a row sink: libjpeg's smallest reduced scale (1/8, 1/4, 1/2) that
// still gives the sink's least useful size, so that a big picture shown small is decoded
// small. The output size is rounded up, as libjpeg does.
void chooseScale(jpeg_decompress_struct& info, const RowSink& sink) {
    const PictureSize least = sink.leastSize({info.image_width, info.image_height});
    for (unsigned denominator : {8u, 4u, 2u}) {
        const auto scaled = [&](JDIMENSION side) { return (side + denominator - 1) / denominator; };
        if (scaled(info.image_width) >= least.width && scaled(info.image_height) >= least.height) {
            info.scale_num = 1;
            info.scale_denom = denominator;
            return;
        }
    }
}

// Returns false with `errors.message` set when libjpeg fails. Only trivially destructible
// objects live in this frame after setjmp.
bool decode(jpeg_decompress_struct& info, ErrorManager& errors, Bitmap& bitmap,
            std::vector<std::uint8_t>& cmykRow) {
    if (setjmp(errors.jump)) return false;
    jpeg_read_header(&info, TRUE);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    checkImageSize(info.image_width, info.image_height, grey ? 8 : 24, kFormat);
    if (const RowSink* sink = bitmap.offeredRowSink()) chooseScale(info, *sink);
    jpeg_start_decompress(&info);
    bitmap.setPixelFormat(grey ? PixelFormat::pf8bit : PixelFormat::pf24bit);
    // Rows come out once each, top down; rows a damaged stream never yields stay zero.
    bitmap.acceptRowSink({info.image_width, info.image_height});
    bitmap.setSize(info.output_width, info.output_height);
    if (grey) {
        Palette ramp(256);
        for (unsigned i = 0; i < 256; ++i)
            ramp[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 255};
        bitmap.setPalette(std::move(ramp));
    }
    if (cmyk) cmykRow.resize(std::size_t(info.output_width) * 4);
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        std::uint8_t* target = bitmap.scanLine(y);
        JSAMPROW rows[1] = {cmyk ? cmykRow.data() : target};
        if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
        if (cmyk) cmykToBgr(cmykRow.data(), target, info.output_width, info.saw_Adobe_marker);
        bitmap.rowDone(y);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}  // namespace

void JpegImage::LoadFromStream(ImageStream& stream) {
    clear();
    const std::vector<std::uint8_t> data = readRest(stream);
    jpeg_decompress_struct info;
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = errorExit;
    errors.base.output_message = ignoreMessage;
    jpeg_create_decompress(&info);
    // libjpeg's own working memory (whole-image buffers of progressive files) is held to
    // the same limit as the pixels.
    info.mem->max_memory_to_use = long(maxImageBytes());
    jpeg_source_mgr source{};
    useMemorySource(info, source, data);
    std::vector<std::uint8_t> cmykRow;
    bool ok = false;
    try {
        ok = decode(info, errors, *this, cmykRow);
    } catch (...) {
        jpeg_destroy_decompress(&info);
        throw;
    }
    jpeg_destroy_decompress(&info);
    if (!ok) {
        clear();
        throw EInvalidGraphic(std::string("JPEG error: ") + errors.message);
    }
}

namespace {
std::unique_ptr<Graphic> createJpeg() {
    return std::make_unique<JpegImage>();
}
}  // namespace

const GraphicClass kJpegImageClass{"TJPEGImage", createJpeg};

}  // namespace kelvane
