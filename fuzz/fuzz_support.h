// Shared by the picture fuzz targets: decode the input with one picture class, accept the
// decoders' own exceptions, and convert the result as the programs do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/graphic_errors.h"
#include "imaging/image_stream.h"

namespace kelvane {

template <typename Picture>
void fuzzDecode(const std::uint8_t* data, std::size_t size) {
    setMaxImageBytes(std::uint64_t{64} << 20);
    MemoryStream stream(data, size);
    Picture picture;
    try {
        picture.LoadFromStream(stream);
    } catch (const std::runtime_error&) {
        return;
    }
    if (std::uint64_t{picture.width()} * picture.height() <= (1u << 20)) picture.toRgba8();
}

}  // namespace kelvane
