#include "imaging/codecs/lz77.h"

#include <algorithm>
#include <limits>

namespace kelvane {

namespace {

constexpr const char* kLZ77Error = "LZ77 decompression error.";

uInt clampToUInt(std::size_t size) {
    return static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
}

}  // namespace

TLZ77Decoder::~TLZ77Decoder() {
    if (open_) inflateEnd(&stream_);
}

void TLZ77Decoder::DecodeInit() {
    if (open_) return;
    stream_ = z_stream{};
    if (inflateInit(&stream_) != Z_OK) throw EGraphicCompression(kLZ77Error);
    open_ = true;
    // Damage inside a strip is not reported, so the trailing checksum need not be computed.
    inflateValidate(&stream_, 0);
}

void TLZ77Decoder::DecodeEnd() {
    if (!open_) return;
    open_ = false;
    if (inflateEnd(&stream_) != Z_OK) throw EGraphicCompression(kLZ77Error);
}

void TLZ77Decoder::Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                          std::size_t unpackedSize) {
    DecodeInit();
    inflateReset(&stream_);
    stream_.next_in = const_cast<Bytef*>(source);
    stream_.avail_in = clampToUInt(packedSize);
    stream_.next_out = target;
    stream_.avail_out = clampToUInt(unpackedSize);
    while (stream_.avail_out > 0 && inflate(&stream_, Z_PARTIAL_FLUSH) == Z_OK) {
    }
    source = stream_.next_in;
}

}  // namespace kelvane
