#include "imaging/codecs/ccitt.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/codecs/ccitt_codes.h"

namespace kelvane {

namespace {

using ccitt::kMaxCodeLength;

constexpr std::uint32_t kLookupSize = 1u << kMaxCodeLength;
constexpr std::uint32_t kT4TwoDimensional = 1;
constexpr int kEolZeros = 11;

// What the next kMaxCodeLength bits of input start with: a code's length (0 for none) and run.
struct LookupEntry {
    std::uint16_t run = 0;
    std::uint8_t length = 0;
};
using LookupTable = std::array<LookupEntry, kLookupSize>;

// Points every index whose leading bits are one of `codes` at that code.
void addCodes(LookupTable& table, const ccitt::RunCode* codes, int count) {
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(std::strlen(codes[i].bits));
        std::uint32_t value = 0;
        for (int bit = 0; bit < length; ++bit) value = value * 2 + (codes[i].bits[bit] == '1');
        const std::uint32_t first = value << (kMaxCodeLength - length);
        const std::uint32_t last = first + (1u << (kMaxCodeLength - length));
        for (std::uint32_t index = first; index < last; ++index) {
            table[index] = {codes[i].run, static_cast<std::uint8_t>(length)};
        }
    }
}

// One colour's codes with the shared extended make-up codes.
LookupTable buildLookup(const ccitt::RunCode* codes, int count) {
    LookupTable table{};
    addCodes(table, codes, count);
    addCodes(table, ccitt::kExtendedMakeUpCodes, ccitt::kExtendedMakeUpCodeCount);
    return table;
}

const LookupTable& whiteLookup() {
    static const LookupTable table = buildLookup(ccitt::kWhiteCodes, ccitt::kWhiteCodeCount);
    return table;
}

const LookupTable& blackLookup() {
    static const LookupTable table = buildLookup(ccitt::kBlackCodes, ccitt::kBlackCodeCount);
    return table;
}

const std::array<std::uint8_t, 256>& reversedBytes() {
    static const auto table = [] {
        std::array<std::uint8_t, 256> result{};
        for (int value = 0; value < 256; ++value) {
            int reversed = 0;
            for (int bit = 0; bit < 8; ++bit) reversed |= ((value >> bit) & 1) << (7 - bit);
            result[value] = static_cast<std::uint8_t>(reversed);
        }
        return result;
    }();
    return table;
}

// Reads the input most significant bit first; past the end it reads zeros.
class BitReader {
  public:
    BitReader(const std::uint8_t* data, std::size_t size, bool reverse)
        : data_(data), size_(size), reverse_(reverse) {}

    bool exhausted() const { return position_ >= size_ * 8; }
    std::size_t bytesUsed() const { return std::min((position_ + 7) / 8, size_); }

    std::uint32_t peek(int count) const {
        std::size_t byte = position_ / 8;
        std::uint32_t window = 0;
        for (int i = 0; i < 3; ++i) window = (window << 8) | byteAt(byte + i);
        return (window >> (24 - count - position_ % 8)) & ((1u << count) - 1);
    }
    void skip(int count) { position_ += static_cast<std::size_t>(count); }
    void alignTo(std::size_t bytes) {
        const std::size_t bits = bytes * 8;
        position_ = (position_ + bits - 1) / bits * bits;
    }

  private:
    std::uint32_t byteAt(std::size_t index) const {
        if (index >= size_) return 0;
        return reverse_ ? reversedBytes()[data_[index]] : data_[index];
    }

    const std::uint8_t* data_;
    std::size_t size_;
    bool reverse_;
    std::size_t position_ = 0;
};

// Sets the bits of pixels [from, to) of a row (1 = black).
void setBlack(std::uint8_t* row, std::size_t from, std::size_t to) {
    while (from < to && from % 8 != 0) {
        row[from / 8] |= static_cast<std::uint8_t>(0x80 >> (from % 8));
        ++from;
    }
    if (to - from >= 8) {
        std::memset(row + from / 8, 0xFF, (to - from) / 8);
        from += (to - from) / 8 * 8;
    }
    for (; from < to; ++from) row[from / 8] |= static_cast<std::uint8_t>(0x80 >> (from % 8));
}

// One run of a colour: make-up codes followed by a terminating code. -1 on a code that does not
// exist or when the input runs out.
long readRun(BitReader& reader, const LookupTable& table) {
    long total = 0;
    while (!reader.exhausted()) {
        const LookupEntry entry = table[reader.peek(kMaxCodeLength)];
        if (entry.length == 0) return -1;
        reader.skip(entry.length);
        total += entry.run;
        if (entry.run < 64) return total;
    }
    return -1;
}

// Decodes one row of runs into a cleared row; false when the row is damaged.
bool decodeRow(BitReader& reader, std::uint8_t* row, std::size_t width) {
    std::size_t column = 0;
    bool white = true;
    while (column < width) {
        const long run = readRun(reader, white ? whiteLookup() : blackLookup());
        if (run < 0) return false;
        const std::size_t end = std::min(width, column + static_cast<std::size_t>(run));
        if (!white) setBlack(row, column, end);
        column = end;
        white = !white;
    }
    return true;
}

// Moves past the next end-of-line code (at least eleven 0 bits, then a 1); false when none.
bool skipPastEndOfLine(BitReader& reader) {
    int zeros = 0;
    while (!reader.exhausted()) {
        const bool one = reader.peek(1) != 0;
        reader.skip(1);
        if (!one) {
            ++zeros;
        } else if (zeros >= kEolZeros) {
            return true;
        } else {
            zeros = 0;
        }
    }
    return false;
}

// Clears the target, then hands `decodeNextRow` the reader and each whole row of the
// target in turn until it returns false; the source moves past the bytes read.
template <class RowDecoder>
void decodeRows(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize, std::uint32_t width, bool reverseBits,
                RowDecoder decodeNextRow) {
    if (unpackedSize == 0) return;
    std::memset(target, 0, unpackedSize);
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    BitReader reader(source, packedSize, reverseBits);
    for (std::size_t offset = 0; rowBytes > 0 && offset + rowBytes <= unpackedSize;
         offset += rowBytes) {
        if (!decodeNextRow(reader, target + offset)) break;
    }
    source += reader.bytesUsed();
}

}  // namespace

std::uint8_t reverseBitOrder(std::uint8_t value) {
    return reversedBytes()[value];
}

void TCCITTMHDecoder::Decode(const std::uint8_t*& source, std::uint8_t* target,
                             std::size_t packedSize, std::size_t unpackedSize) {
    decodeRows(source, target, packedSize, unpackedSize, width_, reverseBits_,
               [&](BitReader& reader, std::uint8_t* row) {
                   if (reader.exhausted() || !decodeRow(reader, row, width_)) return false;
                   reader.alignTo(wordAligned_ ? 2 : 1);
                   return true;
               });
}

void TCCITTFax3Decoder::Decode(const std::uint8_t*& source, std::uint8_t* target,
                               std::size_t packedSize, std::size_t unpackedSize) {
    decodeRows(source, target, packedSize, unpackedSize, width_, reverseBits_,
               [&](BitReader& reader, std::uint8_t* row) {
                   if (!skipPastEndOfLine(reader)) return false;
                   if ((options_ & kT4TwoDimensional) != 0) {
                       // A tag bit says how the row is coded; two-dimensional rows are left
                       // white.
                       const bool oneDimensional = reader.peek(1) != 0;
                       reader.skip(1);
                       if (!oneDimensional) return true;
                   }
                   decodeRow(reader, row, width_);
                   return true;
               });
}

}  // namespace kelvane
