#pragma once

#include "imaging/codecs/decoder.h"

namespace kelvane {

// Common part of the one-dimensional CCITT decoders: rows of alternating white and black runs,
// starting with white; black pixels become 1 bits, each row starts on a new output byte.
class TCCITTDecoder : public TDecoder {
  protected:
    // reverseBits: the file stores the first bit of each byte in its lowest bit.
    TCCITTDecoder(std::uint32_t options, std::uint32_t width, bool reverseBits)
        : options_(options), width_(width), reverseBits_(reverseBits) {}

    std::uint32_t options_;
    std::uint32_t width_;
    bool reverseBits_;
};

// Modified Huffman: each row starts on the next byte of input (the next even byte when word
// aligned).
class TCCITTMHDecoder : public TCCITTDecoder {
  public:
    TCCITTMHDecoder(std::uint32_t options, std::uint32_t width, bool reverseBits, bool wordAligned)
        : TCCITTDecoder(options, width, reverseBits), wordAligned_(wordAligned) {}
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    bool wordAligned_;
};

// Group 3: every row follows an end-of-line code. Rows coded two-dimensionally stay white.
class TCCITTFax3Decoder : public TCCITTDecoder {
  public:
    TCCITTFax3Decoder(std::uint32_t options, std::uint32_t width, bool reverseBits)
        : TCCITTDecoder(options, width, reverseBits) {}
    void Decode(const std::uint8_t*& source, std::uint8_t* target, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

// The byte with its bit order reversed.
std::uint8_t reverseBitOrder(std::uint8_t value);

}  // namespace kelvane
