// Feeds arbitrary bytes to TIFF picture loading, as the programs load pictures: the own
// decoder first, libtiff for the files it refuses; once with the preview's reducer offered,
// once whole. Any outcome but a clean picture or one of the decoders' exceptions is a finding.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/ImageFormats.h"
#include "imaging/graphic_errors.h"
#include "imaging/image_stream.h"
#include "preview/picture_fit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::setMaxImageBytes(std::uint64_t{64} << 20);
    for (const bool reduced : {true, false}) {
        kelvane::MemoryStream stream(data, size);
        kelvane::PictureReducer reducer({64, 64});
        try {
            const auto picture = kelvane::LoadPicture(stream, "tif", kelvane::FileFormatList(),
                                                      reduced ? &reducer : nullptr);
            if (picture->sendsRows())
                reducer.finish(*picture);
            else if (std::uint64_t{picture->width()} * picture->height() <= (1u << 20))
                picture->toRgba8();
        } catch (const std::runtime_error&) {
            // Refused pictures are expected.
        }
    }
    return 0;
}
