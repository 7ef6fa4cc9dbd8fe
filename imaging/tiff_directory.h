// One image file directory of a TIFF file: its entries, sorted by tag, and the lookups of
// single values, value lists and rationals. File offsets are relative to a base position.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/image_stream.h"

namespace kelvane {

struct TiffEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    // The value-or-offset field in host order (converted as the directory is read).
    std::uint32_t value = 0;
    // The same four bytes as the file stores them.
    std::array<std::uint8_t, 4> raw{};
};

class TiffDirectory {
  public:
    // Reads the header at `base`; nullopt when it is not a TIFF header.
    struct Header {
        bool bigEndian = false;
        std::uint16_t version = 0;
        std::uint32_t firstDirectory = 0;
    };
    static Header readHeader(ImageStream& stream, std::uint64_t base);

    // Reads the directory `index` (0 = first) of the file; false when it does not exist or
    // lies outside the file.
    bool read(ImageStream& stream, std::uint64_t base, const Header& header, unsigned index);

    const TiffEntry* find(std::uint16_t tag) const;
    // A single value: the default when the tag is missing; with count 1 the value cut to its
    // type (other types give the default); with another count the raw value field.
    std::uint32_t value(std::uint16_t tag, std::uint32_t defaultValue) const;
    // Every value of an integer tag (BYTE, SHORT, LONG and their signed kinds, UNDEFINED);
    // empty when the tag is missing. EInvalidGraphic when the values lie outside the file.
    std::vector<std::uint32_t> values(std::uint16_t tag) const;
    // The tag's values as bytes (UNDEFINED, BYTE...).
    std::vector<std::uint8_t> bytes(std::uint16_t tag) const;
    // The bytes of a tag's values in the file's order, from the value field or the file.
    std::vector<std::uint8_t> valueBytes(const TiffEntry& entry) const;
    // A RATIONAL value (the first one); nullopt when the tag is missing or not rational.
    std::optional<float> rational(std::uint16_t tag, std::size_t index = 0) const;

    bool bigEndian() const { return bigEndian_; }
    const std::vector<TiffEntry>& entries() const { return entries_; }

  private:
    std::uint32_t decode(const std::uint8_t* bytes, unsigned size) const;

    ImageStream* stream_ = nullptr;
    std::uint64_t base_ = 0;
    bool bigEndian_ = false;
    std::vector<TiffEntry> entries_;
};

// Bytes of one value of a TIFF field type; 0 for types this reader does not know.
unsigned tiffTypeSize(std::uint16_t type);

}  // namespace kelvane
