// Feeds arbitrary bytes to the TIFF loader: any outcome but a clean picture or one of the
// decoders' exceptions is a finding.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/image_stream.h"
#include "imaging/tiff.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::MemoryStream stream(data, size);
    kelvane::TTIFFGraphic graphic;
    try {
        if (kelvane::TTIFFGraphic::CanLoad(stream)) graphic.LoadFromStream(stream);
    } catch (const std::runtime_error&) {
        // Refused pictures are expected.
    }
    return 0;
}
