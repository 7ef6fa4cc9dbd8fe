#include "archive/archive_details.h"

#include <algorithm>

#include "archive/archive_errors.h"
#include "archive/pod_reader.h"

namespace kelvane {
namespace {

std::optional<std::uint32_t> optionalField(const TPOD& archive, Field field) {
    if (!field.present()) return std::nullopt;
    return fieldValue(archive.header(), field);
}

std::uint32_t headerValue(const TPOD& archive, Field field) {
    return fieldValue(archive.header(), field);
}

// Dependency records follow the name table; audit records follow them, or end the file.
std::int64_t dependencyStart(const TPOD& archive) {
    const LayoutUnit& unit = archive.layout();
    return directoryStart(unit, archive.header()) +
           std::int64_t(headerValue(archive, unit.header.count)) * unit.recordSize +
           headerValue(archive, unit.header.nameTableSize);
}

std::int64_t auditSize(const TPOD& archive) {
    return std::int64_t(headerValue(archive, archive.layout().header.auditCount)) *
           std::int64_t(kAuditRecordSize);
}

std::int64_t auditStart(const TPOD& archive) {
    const LayoutUnit& unit = archive.layout();
    if (unit.audits == AuditPlace::EndOfFile) return archive.file().size() - auditSize(archive);
    return dependencyStart(archive) +
           std::int64_t(headerValue(archive, unit.header.dependencyCount)) *
               std::int64_t(kDependencyRecordSize);
}

AuditRecord auditRecord(std::string_view bytes) {
    AuditRecord record;
    record.user = fieldText(bytes, {0, 32});
    record.time = fieldValue(bytes, {32, 4});
    record.action = fieldValue(bytes, {36, 4});
    record.path = fieldText(bytes, {40, 256});
    record.oldTime = fieldValue(bytes, {296, 4});
    record.oldSize = fieldValue(bytes, {300, 4});
    record.newTime = fieldValue(bytes, {304, 4});
    record.newSize = fieldValue(bytes, {308, 4});
    return record;
}

}  // namespace

ArchiveDetails archiveDetails(const TPOD& archive) {
    const LayoutUnit& unit = archive.layout();
    const std::string_view header = archive.header();
    ArchiveDetails details;
    details.layout = std::string(unit.name);
    details.tag = fieldText(header, unit.header.tag);
    details.comment = fieldText(header, unit.header.comment);
    details.author = fieldText(header, unit.header.author);
    details.copyright = fieldText(header, unit.header.copyright);
    details.revision = optionalField(archive, unit.header.revision);
    details.priority = optionalField(archive, unit.header.priority);
    details.version = optionalField(archive, unit.header.version);
    details.nextArchive = optionalField(archive, unit.header.nextArchive);
    details.entries = std::int64_t(archive.catalogue().size());
    details.compressedEntries =
        std::count_if(archive.catalogue().begin(), archive.catalogue().end(),
                      [](const CatalogueEntry& entry) { return entry.compressed; });
    details.auditRecords = optionalField(archive, unit.header.auditCount);
    details.dependencyRecords = optionalField(archive, unit.header.dependencyCount);
    details.hasChecksums = unit.record.checksum.present();
    return details;
}

std::vector<AuditRecord> auditTrail(const TPOD& archive) {
    if (archive.layout().audits == AuditPlace::None) return {};
    const std::int64_t start = auditStart(archive);
    const std::int64_t size = auditSize(archive);
    if (start < 0 || start + size > archive.file().size()) {
        throw DamagedArchive("Les enregistrements d'audit dépassent la fin de l'archive.",
                             "The audit records run past the end of the archive.");
    }
    SequentialReader reader(archive.file(), start);
    std::vector<AuditRecord> records;
    records.reserve(std::size_t(size / std::int64_t(kAuditRecordSize)));
    for (std::int64_t at = 0; at < size; at += std::int64_t(kAuditRecordSize)) {
        records.push_back(auditRecord(reader.read(kAuditRecordSize)));
    }
    return records;
}

std::string auditActionName(std::uint32_t action) {
    switch (action) {
        case 0:
            return "added";
        case 1:
            return "removed";
        case 2:
            return "changed";
    }
    return std::to_string(action);
}

std::vector<ChecksumBlock> checksumBlocks(const TPOD& archive) {
    const LayoutUnit& unit = archive.layout();
    const HeaderFields& fields = unit.header;
    const std::int64_t fileSize = archive.file().size();
    std::vector<ChecksumBlock> blocks;
    const auto add = [&](ChecksumItem item, Field field, std::int64_t start, std::int64_t size) {
        if (field.present()) blocks.push_back({item, headerValue(archive, field), start, size});
    };
    add(ChecksumItem::Archive, fields.archiveChecksum, unit.archiveChecksumStart,
        fileSize - unit.archiveChecksumStart);
    add(ChecksumItem::Header, fields.headerChecksum, kHeaderChecksumStart,
        kHeaderChecksumEnd - kHeaderChecksumStart);
    add(ChecksumItem::Directory, fields.directoryChecksum, directoryStart(unit, archive.header()),
        std::int64_t(headerValue(archive, fields.count)) * unit.recordSize);
    add(ChecksumItem::Dependencies, fields.dependencyChecksum, dependencyStart(archive),
        std::int64_t(headerValue(archive, fields.dependencyCount)) *
            std::int64_t(kDependencyRecordSize));
    add(ChecksumItem::Audit, fields.auditChecksum, auditStart(archive), auditSize(archive));
    return blocks;
}

}  // namespace kelvane
