// Windows icon decoding of arbitrary bytes.
#include "fuzz/fuzz_support.h"
#include "imaging/platform_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::fuzzDecode<kelvane::WindowsIcon>(data, size);
    return 0;
}
