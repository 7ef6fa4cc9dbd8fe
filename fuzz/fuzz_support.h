// Shared by the picture fuzz targets: decode the input with one picture class, accept the
// decoders' own exceptions, and convert the result as the programs do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/graphic_errors.h"
#include "imaging/image_stream.h"
#include "preview/picture_fit.h"

namespace kelvane {

// The decode the preview makes: rows handed to its reducer as they come.
template <typename Picture>
void fuzzReducedDecode(const std::uint8_t* data, std::size_t size) {
    MemoryStream stream(data, size);
    PictureReducer reducer({64, 64});
    Picture picture;
    picture.offerRowSink(&reducer);
    try {
        picture.LoadFromStream(stream);
    } catch (const std::runtime_error&) {
        return;
    }
    if (picture.sendsRows()) reducer.finish(picture);
}

template <typename Picture>
void fuzzDecode(const std::uint8_t* data, std::size_t size) {
    setMaxImageBytes(std::uint64_t{64} << 20);
    fuzzReducedDecode<Picture>(data, size);
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
