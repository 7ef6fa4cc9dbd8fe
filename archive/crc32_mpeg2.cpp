#include "archive/crc32_mpeg2.h"

#include <isa-l/crc.h>

#include <array>

namespace kelvane {
namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

// A linear map of the 32-bit state over GF(2): column i is the image of bit i.
using Operator = std::array<std::uint32_t, 32>;

std::uint32_t apply(const Operator& map, std::uint32_t state) {
    std::uint32_t image = 0;
    for (int bit = 0; state != 0; ++bit, state >>= 1) {
        if (state & 1u) image ^= map[std::size_t(bit)];
    }
    return image;
}

Operator squared(const Operator& map) {
    Operator result;
    for (std::size_t bit = 0; bit < 32; ++bit) result[bit] = apply(map, map[bit]);
    return result;
}

// The state after `bytes` zero bytes, by squaring the one-byte map.
std::uint32_t afterZeros(std::uint32_t state, std::uint64_t bytes) {
    Operator map;  // one zero bit: shift left, the bit shifted out brings the polynomial in
    for (std::size_t bit = 0; bit < 31; ++bit) map[bit] = 1u << (bit + 1);
    map[31] = kPolynomial;
    map = squared(squared(squared(map)));
    for (; bytes != 0; bytes >>= 1) {
        if (bytes & 1u) state = apply(map, state);
        map = squared(map);
    }
    return state;
}

}  // namespace

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

std::uint32_t crc32Mpeg2Concat(std::uint32_t first, std::uint32_t second,
                               std::uint64_t secondLength) {
    // The register is linear in its start: running over B from the state left by A differs
    // from running from the initial value by A's state (less the initial value) shifted
    // through B's length of zeros.
    return afterZeros(first ^ Crc32Mpeg2().value(), secondLength) ^ second;
}

}  // namespace kelvane
