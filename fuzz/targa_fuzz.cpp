// Targa decoding of arbitrary bytes: by content test and by extension.
#include "fuzz/fuzz_support.h"
#include "imaging/targa.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::fuzzDecode<kelvane::TTargaGraphic>(data, size);
    kelvane::MemoryStream stream(data, size);
    kelvane::TTargaGraphic::CanLoad(stream);
    return 0;
}
