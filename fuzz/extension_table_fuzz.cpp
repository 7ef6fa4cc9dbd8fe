#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/extension_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::parseExtensionTable(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
