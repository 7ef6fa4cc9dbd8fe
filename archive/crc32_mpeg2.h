#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvane {

// CRC-32/MPEG-2, the checksum of every archive of the family: polynomial 0x04C11DB7 taken
// most-significant bit first, no reflection, initial value 0xFFFFFFFF, no final XOR.
class Crc32Mpeg2 {
  public:
    void update(const void* data, std::size_t size);
    std::uint32_t value() const { return value_; }

  private:
    std::uint32_t value_ = 0xFFFFFFFFu;
};

std::uint32_t crc32Mpeg2(std::string_view bytes);

}  // namespace kelvane
