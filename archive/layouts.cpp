#include "archive/layouts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "platform/little_endian.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

constexpr Field u32(std::uint16_t offset) {
    return {offset, 4};
}
constexpr Field text(std::uint16_t offset, std::uint16_t width) {
    return {offset, width};
}

// POD1 has no tag: the first four bytes, as an entry count, must describe a directory that
// fits, whose entries lie in the file and whose names are NUL-ended text.
bool pod1Fits(const LayoutUnit& unit, std::string_view header, const ReadOnlyFile& file) {
    const std::uint32_t count = fieldValue(header, unit.header.count);
    if (count == 0 || unit.headerSize + std::int64_t(count) * unit.recordSize > file.size()) {
        return false;
    }
    SequentialReader reader(file, unit.headerSize);
    std::array<char, 40> record;
    for (std::uint32_t i = 0; i < count; ++i) {
        reader.read(record.data(), unit.recordSize);
        const std::string_view view(record.data(), unit.recordSize);
        const std::uint64_t end = std::uint64_t(fieldValue(view, unit.record.offset)) +
                                  fieldValue(view, unit.record.storedSize);
        const std::size_t nameLength = strnlen(record.data(), unit.record.name.width);
        if (end > std::uint64_t(file.size()) || nameLength == unit.record.name.width) return false;
        for (std::size_t c = 0; c < nameLength; ++c) {
            const auto byte = static_cast<unsigned char>(record[c]);
            if (byte < 0x20 || byte == 0x7F) return false;
        }
    }
    return true;
}

// POD3's header; POD4 and POD5 keep it.
constexpr HeaderFields kPod3Header = {
    .tag = text(0, 4),
    .comment = text(0x08, 80),
    .author = text(0x68, 80),
    .copyright = text(0xB8, 80),
    .count = u32(0x58),
    .auditCount = u32(0x5C),
    .dependencyCount = u32(0x114),
    .revision = u32(0x60),
    .priority = u32(0x64),
    .directoryOffset = u32(0x108),
    .nameTableSize = u32(0x110),
    .headerChecksum = u32(0x04),
    .directoryChecksum = u32(0x10C),
    .dependencyChecksum = u32(0x118),
    .auditChecksum = u32(0x11C),
};

constexpr HeaderFields withNextArchive(HeaderFields fields) {
    fields.nextArchive = u32(0x120);
    return fields;
}

// The 20-byte record of POD2 and POD3. The name offset at 0 is written but not read: names
// are read in sequence, as archives written by the original tools store them.
constexpr RecordFields kPod2Record = {.name = u32(0),
                                      .storedSize = u32(4),
                                      .offset = u32(8),
                                      .timestamp = u32(12),
                                      .checksum = u32(16)};

// Names in a table are NUL-ended and must fit an audit record's path field.
constexpr std::uint16_t kLongestTableName = 255;

// The 28-byte record of POD4 and POD5.
constexpr RecordFields kPod4Record = {.name = u32(0),
                                      .storedSize = u32(4),
                                      .offset = u32(8),
                                      .uncompressedSize = u32(12),
                                      .compression = u32(16),
                                      .timestamp = u32(20),
                                      .checksum = u32(24)};

constexpr std::array kUnits = {
    LayoutUnit{.name = "EPD",
               .family = ArchiveFamily::EPD,
               .headerSize = 272,
               .header = {.tag = text(0, 4),
                          .comment = text(4, 256),
                          .count = u32(260),
                          .version = u32(264),
                          .archiveChecksum = u32(268)},
               .archiveChecksumStart = 272,
               .recordSize = 80,
               .record = {.name = text(0, 64),
                          .storedSize = u32(64),
                          .offset = u32(68),
                          .timestamp = u32(72),
                          .checksum = u32(76)},
               .names = NameStorage::Inline,
               .audits = AuditPlace::None,
               .longestName = 64,
               .newTag = "dtxe"},
    LayoutUnit{.name = "POD3",
               .family = ArchiveFamily::POD,
               .tag = "POD3",
               .headerSize = 288,
               .header = kPod3Header,
               .recordSize = 20,
               .record = kPod2Record,
               .names = NameStorage::InSequence,
               .audits = AuditPlace::AfterDependencies,
               .longestName = kLongestTableName,
               .newTag = "POD3"},
    LayoutUnit{.name = "POD4",
               .family = ArchiveFamily::POD,
               .tag = "POD4",
               .headerSize = 288,
               .header = kPod3Header,
               .recordSize = 28,
               .record = kPod4Record,
               .names = NameStorage::ByOffset,
               .audits = AuditPlace::AfterDependencies},
    LayoutUnit{.name = "POD5",
               .family = ArchiveFamily::POD,
               .tag = "POD5",
               .headerSize = 292,
               .header = withNextArchive(kPod3Header),
               .recordSize = 28,
               .record = kPod4Record,
               .names = NameStorage::ByOffset,
               .audits = AuditPlace::AfterDependencies},
    LayoutUnit{.name = "POD6",
               .family = ArchiveFamily::POD,
               .tag = "POD6",
               .headerSize = 20,
               .header = {.tag = text(0, 4),
                          .count = u32(4),
                          .version = u32(8),
                          .directoryOffset = u32(12),
                          .nameTableSize = u32(16)},
               .recordSize = 24,
               .record = {.name = u32(0),
                          .storedSize = u32(4),
                          .offset = u32(8),
                          .uncompressedSize = u32(12),
                          .compression = u32(16)},
               .names = NameStorage::ByOffset,
               .audits = AuditPlace::None},
    LayoutUnit{.name = "POD1",
               .family = ArchiveFamily::POD,
               .fits = pod1Fits,
               .headerSize = 84,
               .header = {.comment = text(4, 80), .count = u32(0)},
               .recordSize = 40,
               .record = {.name = text(0, 32), .storedSize = u32(32), .offset = u32(36)},
               .names = NameStorage::Inline,
               .audits = AuditPlace::None,
               .longestName = 31},  // NUL-ended, as POD1 is recognised
    LayoutUnit{.name = "POD2",
               .family = ArchiveFamily::POD,
               .headerSize = 96,
               .header = {.tag = text(0, 4),
                          .comment = text(8, 80),
                          .count = u32(88),
                          .auditCount = u32(92),
                          .archiveChecksum = u32(4)},
               .archiveChecksumStart = 8,
               .recordSize = 20,
               .record = kPod2Record,
               .names = NameStorage::InSequence,
               .audits = AuditPlace::EndOfFile,
               .longestName = kLongestTableName,
               .newTag = "POD2"},
};

}  // namespace

std::span<const LayoutUnit> layoutUnits() {
    return kUnits;
}

const LayoutUnit* layoutNamed(std::string_view name) {
    for (const LayoutUnit& unit : kUnits) {
        if (unit.name.size() == name.size() &&
            std::equal(name.begin(), name.end(), unit.name.begin(), [](char a, char b) {
                return std::toupper(static_cast<unsigned char>(a)) == b;
            })) {
            return &unit;
        }
    }
    return nullptr;
}

std::uint32_t fieldValue(std::string_view bytes, Field field) {
    if (!field.present() || bytes.size() < std::size_t(field.offset) + 4) return 0;
    return readLittle32(bytes.data() + field.offset);
}

std::string fieldText(std::string_view bytes, Field field) {
    if (!field.present() || bytes.size() < std::size_t(field.offset) + field.width) return {};
    const char* start = bytes.data() + field.offset;
    return std::string(start, strnlen(start, field.width));
}

void setFieldValue(std::string& bytes, Field field, std::uint32_t value) {
    if (!field.present()) return;
    for (std::size_t i = 0; i < 4; ++i) bytes.at(field.offset + i) = char(value >> (8 * i));
}

void setFieldText(std::string& bytes, Field field, std::string_view text) {
    if (!field.present()) return;
    for (std::size_t i = 0; i < field.width; ++i) {
        bytes.at(field.offset + i) = i < text.size() ? text[i] : '\0';
    }
}

std::int64_t directoryStart(const LayoutUnit& unit, std::string_view header) {
    return unit.header.directoryOffset.present() ? fieldValue(header, unit.header.directoryOffset)
                                                 : unit.headerSize;
}

}  // namespace kelvane
