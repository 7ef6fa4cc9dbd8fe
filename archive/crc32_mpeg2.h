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

// The checksum of two blocks one after the other, from the checksum of each and the length
// of the second; lets a writer checksum bytes it writes in another order than they lie.
std::uint32_t crc32Mpeg2Concat(std::uint32_t first, std::uint32_t second,
                               std::uint64_t secondLength);

}  // namespace kelvane
