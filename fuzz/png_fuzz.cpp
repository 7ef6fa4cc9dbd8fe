// PNG decoding of arbitrary bytes.
#include "fuzz/fuzz_support.h"
#include "imaging/png_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::fuzzDecode<kelvane::TPNGGraphic>(data, size);
    return 0;
}
