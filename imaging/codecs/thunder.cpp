#include "imaging/codecs/thunder.h"

#include <cstring>

namespace kelvane {

namespace {

constexpr int kSkip = 100;
constexpr int kTwoBitDeltas[4] = {0, 1, kSkip, -1};
constexpr int kThreeBitDeltas[8] = {0, 1, 2, 3, kSkip, -3, -2, -1};

// Writes 4-bit pixels into one cleared row, ignoring anything past the row's width.
class NibbleRow {
  public:
    NibbleRow(std::uint8_t* row, std::uint32_t width) : row_(row), width_(width) {}
    bool full() const { return count_ >= width_; }
    int last() const { return last_; }
    void put(int value) {
        last_ = value & 0x0F;
        if (full()) return;
        row_[count_ / 2] |= static_cast<std::uint8_t>(count_ % 2 == 0 ? last_ << 4 : last_);
        ++count_;
    }

  private:
    std::uint8_t* row_;
    std::uint32_t width_;
    std::uint32_t count_ = 0;
    int last_ = 0;
};

}  // namespace

void TThunderDecoder::Decode(const std::uint8_t*& source, std::uint8_t* target,
                             std::size_t packedSize, std::size_t unpackedSize) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width_) + 1) / 2;
    if (unpackedSize == 0) return;
    std::memset(target, 0, unpackedSize);
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = source + packedSize;
    if (rowBytes == 0) return;
    for (std::size_t offset = 0; offset + rowBytes <= unpackedSize && in < inEnd;
         offset += rowBytes) {
        NibbleRow row(target + offset, width_);
        while (in < inEnd && !row.full()) {
            const std::uint8_t code = *in++;
            switch (code >> 6) {
                case 0:
                    for (int n = code & 0x3F; n > 0 && !row.full(); --n) row.put(row.last());
                    break;
                case 1:
                    for (int shift = 4; shift >= 0; shift -= 2) {
                        const int delta = kTwoBitDeltas[(code >> shift) & 3];
                        if (delta != kSkip) row.put(row.last() + delta);
                    }
                    break;
                case 2:
                    for (int shift = 3; shift >= 0; shift -= 3) {
                        const int delta = kThreeBitDeltas[(code >> shift) & 7];
                        if (delta != kSkip) row.put(row.last() + delta);
                    }
                    break;
                default:
                    row.put(code);
                    break;
            }
        }
    }
    source = in;
}

}  // namespace kelvane
