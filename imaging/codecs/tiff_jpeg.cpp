#include "imaging/codecs/tiff_jpeg.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

namespace kelvane {

namespace {

struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

}  // namespace

struct TTIFFJPEGDecoder::Library {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    jpeg_source_mgr source{};
    const WarningHandler* warning = nullptr;
    bool warned = false;
    bool ended = false;
    bool created = false;

    void setInput(const std::uint8_t* data, std::size_t size) {
        source.next_input_byte = data;
        source.bytes_in_buffer = size;
        warned = false;
        ended = false;
    }
};

namespace {

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

TTIFFJPEGDecoder::Library& libraryOf(j_decompress_ptr info) {
    return *static_cast<TTIFFJPEGDecoder::Library*>(info->client_data);
}

// Passes the first warning of a stream to the handler.
void warnOnce(j_decompress_ptr info, const char* text) {
    auto& library = libraryOf(info);
    if (library.warned || library.warning == nullptr || !*library.warning) return;
    library.warned = true;
    try {
        (*library.warning)(text);
    } catch (...) {
        // Nothing may unwind through the library's frames; a failed warning is dropped.
    }
}

[[noreturn]] void errorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->library.format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr info, int level) {
    if (level >= 0 || info->is_decompressor == FALSE) return;
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    warnOnce(reinterpret_cast<j_decompress_ptr>(info), text);
}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// The block is used up: end the stream with an end-of-image marker.
boolean fillInputBuffer(j_decompress_ptr info) {
    libraryOf(info).ended = true;
    warnOnce(info, "JPEG decompression error. Unexpected end of input.");
    info->src->next_input_byte = kEndOfImage;
    info->src->bytes_in_buffer = sizeof(kEndOfImage);
    return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
    if (count <= 0) return;
    auto* source = info->src;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
        fillInputBuffer(info);
        return;
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

// Runs libjpeg calls; an error of the library becomes EGraphicCompression with its text.
template <typename Step>
void guarded(TTIFFJPEGDecoder::Library& library, Step step) {
    if (setjmp(library.errors.jump) != 0) {
        jpeg_abort_decompress(&library.info);
        throw EGraphicCompression(library.errors.message);
    }
    step();
}

}  // namespace

TTIFFJPEGDecoder::TTIFFJPEGDecoder(TiffJpegLayout layout, WarningHandler warning)
    : layout_(std::move(layout)), warning_(std::move(warning)) {}

TTIFFJPEGDecoder::~TTIFFJPEGDecoder() {
    if (library_ && library_->created) jpeg_destroy_decompress(&library_->info);
}

void TTIFFJPEGDecoder::DecodeInit() {
    if (library_) return;
    library_ = std::make_unique<Library>();
    Library& library = *library_;
    library.warning = &warning_;
    library.info.err = jpeg_std_error(&library.errors.library);
    library.errors.library.error_exit = errorExit;
    library.errors.library.emit_message = emitMessage;
    library.source.init_source = initSource;
    library.source.fill_input_buffer = fillInputBuffer;
    library.source.skip_input_data = skipInputData;
    library.source.resync_to_restart = jpeg_resync_to_restart;
    library.source.term_source = termSource;
    guarded(library, [&] {
        jpeg_create_decompress(&library.info);
        library.created = true;
        library.info.client_data = &library;
        library.info.src = &library.source;
    });
    if (layout_.tables.empty()) return;
    int header = 0;
    library.setInput(layout_.tables.data(), layout_.tables.size());
    guarded(library, [&] { header = jpeg_read_header(&library.info, FALSE); });
    if (header != JPEG_HEADER_TABLES_ONLY) throw EGraphicCompression("Bogus JPEG tables field.");
}

void TTIFFJPEGDecoder::DecodeEnd() {
    if (library_ && library_->created) jpeg_destroy_decompress(&library_->info);
    library_.reset();
}

void TTIFFJPEGDecoder::check(std::size_t lines) const {
    const jpeg_decompress_struct& info = library_->info;
    if (info.image_width != layout_.width || info.image_height != lines) {
        throw EGraphicCompression("Improper JPEG strip/tile size.");
    }
    if (static_cast<std::uint32_t>(info.num_components) != layout_.samplesPerPixel) {
        throw EGraphicCompression("Improper JPEG component count.");
    }
    if (static_cast<std::uint32_t>(info.data_precision) != layout_.bitsPerSample) {
        throw EGraphicCompression("Improper JPEG data precision.");
    }
    for (int component = 0; component < info.num_components; ++component) {
        const jpeg_component_info& sampling = info.comp_info[component];
        const std::uint32_t h = component == 0 ? layout_.subsamplingH : 1;
        const std::uint32_t v = component == 0 ? layout_.subsamplingV : 1;
        if (static_cast<std::uint32_t>(sampling.h_samp_factor) != h ||
            static_cast<std::uint32_t>(sampling.v_samp_factor) != v) {
            throw EGraphicCompression("Improper JPEG sampling factors.");
        }
    }
}

void TTIFFJPEGDecoder::Decode(const std::uint8_t*& source, std::uint8_t* target,
                              std::size_t packedSize, std::size_t unpackedSize) {
    DecodeInit();
    const std::size_t lineSize = layout_.bytesPerLine;
    if (lineSize == 0) return;
    Library& library = *library_;
    jpeg_decompress_struct& info = library.info;
    library.setInput(source, packedSize);
    guarded(library, [&] {
        jpeg_abort_decompress(&info);
        jpeg_read_header(&info, TRUE);
    });
    try {
        check(unpackedSize / lineSize);
        if (unpackedSize % lineSize != 0) {
            throw EGraphicCompression("Fractional JPEG scanline unsupported.");
        }
    } catch (...) {
        jpeg_abort_decompress(&info);
        throw;
    }
    if (info.num_components == 3) {
        info.jpeg_color_space = layout_.yCbCr ? JCS_YCbCr : JCS_RGB;
        info.out_color_space = JCS_EXT_BGR;
    }
    guarded(library, [&] {
        jpeg_start_decompress(&info);
        if (std::size_t{info.output_width} * static_cast<std::size_t>(info.output_components) >
            lineSize) {
            jpeg_abort_decompress(&info);
            throw EGraphicCompression("Improper JPEG component count.");
        }
        // Streams with an Adobe marker (Photoshop, ImageMagick) store CMYK inverted; the
        // library's own TIFF writer leaves that marker out and stores ink amounts.
        const bool inverted = info.saw_Adobe_marker && info.out_color_space == JCS_CMYK;
        const std::size_t rowBytes =
            std::size_t{info.output_width} * static_cast<std::size_t>(info.output_components);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = target + static_cast<std::size_t>(info.output_scanline) * lineSize;
            jpeg_read_scanlines(&info, &row, 1);
            if (inverted) {
                for (std::size_t i = 0; i < rowBytes; ++i) row[i] = JSAMPLE(255 - row[i]);
            }
        }
        jpeg_abort_decompress(&info);
    });
    source += library.ended ? packedSize : packedSize - library.source.bytes_in_buffer;
}

}  // namespace kelvane
