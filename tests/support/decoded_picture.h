#pragma once

#include <string>
#include <string_view>

#include "imaging/ImageFormats.h"
#include "imaging/image_stream.h"

namespace kelvane::test {

// The program's own reading of the picture `bytes`, of the format `extension` names, as 8-bit
// RGBA: what a written PNG is compared with.
inline Rgba8Image decodedPixels(const std::string& bytes, std::string_view extension) {
    MemoryStream stream(bytes.data(), bytes.size());
    return LoadPicture(stream, extension)->toRgba8();
}

}  // namespace kelvane::test
