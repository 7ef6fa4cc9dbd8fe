#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvane {

class ReadOnlyFile;

// `width` bytes at `offset` of a header or a directory record; width 0 when the layout has
// no such field. Width 4 is a little-endian u32, any other width NUL-padded text.
struct Field {
    std::uint16_t offset = 0;
    std::uint16_t width = 0;
    bool present() const { return width != 0; }
};

enum class ArchiveFamily { POD, EPD };

// Where the entry names are.
enum class NameStorage {
    Inline,      // in the record's name field
    InSequence,  // NUL-ended, one per entry in directory order, right after the records
    ByOffset     // the record's name field is an offset into the table after the records
};

// Where the audit records are.
enum class AuditPlace { None, EndOfFile, AfterDependencies };

struct HeaderFields {
    Field tag{}, comment{}, author{}, copyright{};
    Field count{}, auditCount{}, dependencyCount{}, revision{}, priority{}, version{},
        nextArchive{};
    Field directoryOffset{};  // absent: the records follow the header
    Field nameTableSize{};
    Field archiveChecksum{}, headerChecksum{}, directoryChecksum{}, dependencyChecksum{},
        auditChecksum{};
};

struct RecordFields {
    Field name{}, storedSize{}, offset{}, uncompressedSize{}, compression{}, timestamp{},
        checksum{};
};

// One layout of the family: how it is recognised and where its header and directory keep
// each field.
struct LayoutUnit {
    std::string_view name;  // one word: "POD1" ... "POD6", "EPD"
    ArchiveFamily family;
    // First four bytes that select it, whether or not the rest of the file fits the layout (a
    // damaged archive of that layout); empty when they do not.
    std::string_view tag{};
    // For an untagged layout: the unit is chosen only when its header and directory describe
    // an archive that fits in the file.
    bool (*fits)(const LayoutUnit& unit, std::string_view header,
                 const ReadOnlyFile& file) = nullptr;
    std::uint16_t headerSize;
    HeaderFields header;
    std::uint16_t archiveChecksumStart = 0;  // the archive checksum covers this offset to the end
    std::uint16_t recordSize;
    RecordFields record;
    NameStorage names;
    AuditPlace audits;
    // Writing: the longest stored name a new entry may have (0 for a layout that is only
    // read), and the tag of a new archive. A layout with a directory offset gets its
    // directory after the data; the others get the data after their directory and names.
    std::uint16_t longestName = 0;
    std::string_view newTag{};
    bool writable() const { return longestName != 0; }
};

inline constexpr std::size_t kDependencyRecordSize = 264;
inline constexpr std::size_t kAuditRecordSize = 312;
// The header checksum of POD3 to POD5 covers header bytes 8 to 287.
inline constexpr std::size_t kHeaderChecksumStart = 8;
inline constexpr std::size_t kHeaderChecksumEnd = 288;

// Every unit, in the order they bid for a file: tagged layouts first, the older POD last,
// since it takes whatever no other layout claims.
std::span<const LayoutUnit> layoutUnits();
// The unit named `name` ("POD3", "EPD"...; case-blind), or null.
const LayoutUnit* layoutNamed(std::string_view name);

// Header and record field values.
std::uint32_t fieldValue(std::string_view bytes, Field field);
std::string fieldText(std::string_view bytes, Field field);
// Sets a field of `bytes`, which must hold it; text is cut to the field's width and padded
// with NUL. Nothing happens for an absent field.
void setFieldValue(std::string& bytes, Field field, std::uint32_t value);
void setFieldText(std::string& bytes, Field field, std::string_view text);

// Where the records start.
std::int64_t directoryStart(const LayoutUnit& unit, std::string_view header);

}  // namespace kelvane
