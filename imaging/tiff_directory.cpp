#include "imaging/tiff_directory.h"

#include <algorithm>

#include "imaging/graphic_errors.h"
#include "platform/little_endian.h"

namespace kelvane {

namespace {

constexpr const char* kFormatName = "TIF/TIFF";
constexpr std::size_t kEntrySize = 12;

enum TiffType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kSByte = 6,
    kUndefined = 7,
    kSShort = 8,
    kSLong = 9,
    kSRational = 10,
};

std::uint16_t swap16(std::uint16_t v) {
    return static_cast<std::uint16_t>(v << 8 | v >> 8);
}

std::uint32_t swap32(std::uint32_t v) {
    return v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24;
}

bool readAt(ImageStream& stream, std::uint64_t position, void* buffer, std::size_t count) {
    stream.seek(position);
    return stream.read(buffer, count) == count;
}

}  // namespace

unsigned tiffTypeSize(std::uint16_t type) {
    switch (type) {
        case kByte:
        case kAscii:
        case kSByte:
        case kUndefined:
            return 1;
        case kShort:
        case kSShort:
            return 2;
        case kLong:
        case kSLong:
            return 4;
        case kRational:
        case kSRational:
            return 8;
        default:
            return 0;
    }
}

TiffDirectory::Header TiffDirectory::readHeader(ImageStream& stream, std::uint64_t base) {
    std::uint8_t bytes[8];
    Header header;
    if (!readAt(stream, base, bytes, sizeof(bytes))) return header;
    header.bigEndian = bytes[0] == 'M' && bytes[1] == 'M';
    const std::uint16_t version = readLittle16(bytes + 2);
    const std::uint32_t offset = readLittle32(bytes + 4);
    header.version = header.bigEndian ? swap16(version) : version;
    header.firstDirectory = header.bigEndian ? swap32(offset) : offset;
    return header;
}

bool TiffDirectory::read(ImageStream& stream, std::uint64_t base, const Header& header,
                         unsigned index) {
    stream_ = &stream;
    base_ = base;
    bigEndian_ = header.bigEndian;
    entries_.clear();
    auto read16 = [&](std::uint64_t position, std::uint16_t& v) {
        std::uint8_t b[2];
        if (!readAt(stream, position, b, 2)) return false;
        v = bigEndian_ ? static_cast<std::uint16_t>(b[0] << 8 | b[1]) : readLittle16(b);
        return true;
    };
    std::uint64_t position = base + header.firstDirectory;
    std::uint16_t count = 0;
    if (!read16(position, count)) return false;
    for (; index > 0; --index) {
        std::uint8_t b[4];
        if (!readAt(stream, position + 2 + std::uint64_t{count} * kEntrySize, b, 4)) return false;
        const std::uint32_t next = bigEndian_ ? swap32(readLittle32(b)) : readLittle32(b);
        if (next == 0) return false;
        position = base + next;
        if (!read16(position, count)) return false;
    }
    std::vector<std::uint8_t> block(std::size_t{count} * kEntrySize);
    if (!readAt(stream, position + 2, block.data(), block.size())) return false;
    entries_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = block.data() + i * kEntrySize;
        TiffEntry& entry = entries_[i];
        entry.tag = readLittle16(p);
        entry.type = readLittle16(p + 2);
        entry.count = readLittle32(p + 4);
        std::copy_n(p + 8, 4, entry.raw.begin());
        entry.value = readLittle32(p + 8);
        if (!bigEndian_) continue;
        entry.tag = swap16(entry.tag);
        entry.type = swap16(entry.type);
        entry.count = swap32(entry.count);
        const std::uint64_t size = std::uint64_t{tiffTypeSize(entry.type)} * entry.count;
        if (size >= 4) {
            entry.value = swap32(entry.value);
        } else if (entry.count == 1 && (entry.type == kShort || entry.type == kSShort)) {
            entry.value = swap16(static_cast<std::uint16_t>(entry.value));
        }
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    return true;
}

const TiffEntry* TiffDirectory::find(std::uint16_t tag) const {
    const auto it = std::lower_bound(
        entries_.begin(), entries_.end(), tag,
        [](const TiffEntry& entry, std::uint16_t wanted) { return entry.tag < wanted; });
    return it != entries_.end() && it->tag == tag ? &*it : nullptr;
}

std::uint32_t TiffDirectory::value(std::uint16_t tag, std::uint32_t defaultValue) const {
    const TiffEntry* entry = find(tag);
    if (entry == nullptr) return defaultValue;
    if (entry->count != 1) return entry->value;
    switch (entry->type) {
        case kByte:
            return entry->value & 0xFF;
        case kShort:
        case kSShort:
            return entry->value & 0xFFFF;
        case kLong:
        case kSLong:
            return entry->value;
        default:
            return defaultValue;
    }
}

std::uint32_t TiffDirectory::decode(const std::uint8_t* bytes, unsigned size) const {
    std::uint32_t result = 0;
    for (unsigned i = 0; i < size; ++i) {
        const unsigned shift = bigEndian_ ? 8 * (size - 1 - i) : 8 * i;
        result |= std::uint32_t{bytes[i]} << shift;
    }
    return result;
}

std::vector<std::uint8_t> TiffDirectory::valueBytes(const TiffEntry& entry) const {
    const std::uint64_t size = std::uint64_t{tiffTypeSize(entry.type)} * entry.count;
    if (size <= 4) {
        return std::vector<std::uint8_t>(entry.raw.begin(),
                                         entry.raw.begin() + static_cast<std::ptrdiff_t>(size));
    }
    const std::uint64_t position = base_ + entry.value;
    if (position > stream_->size() || size > stream_->size() - position) {
        throw EInvalidGraphic(invalidImageMessage(kFormatName));
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!readAt(*stream_, position, bytes.data(), bytes.size())) {
        throw EInvalidGraphic(invalidImageMessage(kFormatName));
    }
    return bytes;
}

std::vector<std::uint32_t> TiffDirectory::values(std::uint16_t tag) const {
    const TiffEntry* entry = find(tag);
    const unsigned size = entry == nullptr ? 0 : tiffTypeSize(entry->type);
    if (size == 0 || size > 4) return {};
    const std::vector<std::uint8_t> bytes = valueBytes(*entry);
    std::vector<std::uint32_t> result(entry->count);
    for (std::size_t i = 0; i < result.size(); ++i) result[i] = decode(&bytes[i * size], size);
    return result;
}

std::vector<std::uint8_t> TiffDirectory::bytes(std::uint16_t tag) const {
    const TiffEntry* entry = find(tag);
    if (entry == nullptr || tiffTypeSize(entry->type) != 1) return {};
    return valueBytes(*entry);
}

std::optional<float> TiffDirectory::rational(std::uint16_t tag, std::size_t index) const {
    const TiffEntry* entry = find(tag);
    if (entry == nullptr || index >= entry->count ||
        (entry->type != kRational && entry->type != kSRational)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes = valueBytes(*entry);
    const std::uint32_t numerator = decode(&bytes[index * 8], 4);
    const std::uint32_t denominator = decode(&bytes[index * 8 + 4], 4);
    if (denominator == 0) return 0.0f;
    if (entry->type == kSRational) {
        return static_cast<float>(static_cast<std::int32_t>(numerator)) /
               static_cast<float>(static_cast<std::int32_t>(denominator));
    }
    return static_cast<float>(numerator) / static_cast<float>(denominator);
}

}  // namespace kelvane
