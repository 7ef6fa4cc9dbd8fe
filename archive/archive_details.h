#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvane {

class TPOD;

// One change the publisher's tools recorded in the archive. Text fields are Windows-1252.
struct AuditRecord {
    std::string user;
    std::uint32_t time = 0;
    std::uint32_t action = 0;  // 0 added, 1 removed, 2 changed
    std::string path;
    std::uint32_t oldTime = 0;
    std::uint32_t oldSize = 0;
    std::uint32_t newTime = 0;
    std::uint32_t newSize = 0;
};

// What the header says about the archive as a whole. Text fields are Windows-1252; a field
// the layout does not have is empty or absent.
struct ArchiveDetails {
    std::string layout;  // one word: "POD1" ... "POD6", "EPD"
    std::string tag;
    std::string comment;
    std::string author;
    std::string copyright;
    std::optional<std::uint32_t> revision, priority, version, nextArchive;
    std::int64_t entries = 0;
    std::int64_t compressedEntries = 0;
    std::optional<std::uint32_t> auditRecords, dependencyRecords;
    bool hasChecksums = false;
};

// The archive's details; its header and directory must have been read.
ArchiveDetails archiveDetails(const TPOD& archive);

// The audit records, in file order; none for a layout without them. Throws DamagedArchive
// when they run past the end of the file.
std::vector<AuditRecord> auditTrail(const TPOD& archive);

// The 312 bytes of one audit record, text fields cut to their width.
std::string encodeAuditRecord(const AuditRecord& record);

// The dependency and the audit records as stored, for a writer that keeps them. Throw
// DamagedArchive when they run past the end of the file.
std::string dependencyBytes(const TPOD& archive);
std::string auditBytes(const TPOD& archive);

// Where the dependency or the audit records lie, as the header places them; the size may run
// past the end of the file in a damaged archive. Empty for a layout without them.
struct RecordBlock {
    std::int64_t start = 0;
    std::int64_t size = 0;
};
RecordBlock dependencyRecords(const TPOD& archive);
RecordBlock auditRecords(const TPOD& archive);

// "added", "removed", "changed", or the number of an unknown action.
std::string auditActionName(std::uint32_t action);

// What a checksum field of the header covers.
enum class ChecksumItem { Archive, Header, Directory, Dependencies, Audit };

struct ChecksumBlock {
    ChecksumItem item;
    std::uint32_t stored = 0;
    std::int64_t start = 0;
    std::int64_t size = 0;  // may run past the end of the file in a damaged archive
};

// Every checksum field of the header, with the bytes it covers.
std::vector<ChecksumBlock> checksumBlocks(const TPOD& archive);

}  // namespace kelvane
