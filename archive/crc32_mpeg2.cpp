#include "archive/crc32_mpeg2.h"

#include <isa-l/crc.h>

namespace kelvane {
void Crc32Mpeg2::update(const void* data, std::size_t size) {
    // ISA-L's crc32_ieee is the same polynomial with the state complemented on the way in
    // and out, and uses carry-less multiplication where the processor has it.
    value_ = ~crc32_ieee(~value_, static_cast<const unsigned char*>(data), size);
}

std::uint32_t crc32Mpeg2(std::string_view bytes) {
    Crc32Mpeg2 crc;
    crc.update(bytes.data(), bytes.size());
    return crc.value();
}

}  // namespace kelvane
