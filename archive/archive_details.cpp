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

// The fields of an audit record.
constexpr Field kUser{0, 32}, kTime{32, 4}, kAction{36, 4}, kPath{40, 256}, kOldTime{296, 4},
    kOldSize{300, 4}, kNewTime{304, 4}, kNewSize{308, 4};

AuditRecord auditRecord(std::string_view bytes) {
    AuditRecord record;
    record.user = fieldText(bytes, kUser);
    record.time = fieldValue(bytes, kTime);
    record.action = fieldValue(bytes, kAction);
    record.path = fieldText(bytes, kPath);
    record.oldTime = fieldValue(bytes, kOldTime);
    record.oldSize = fieldValue(bytes, kOldSize);
    record.newTime = fieldValue(bytes, kNewTime);
    record.newSize = fieldValue(bytes, kNewSize);
    return record;
}

// The bytes of `block`, or DamagedArchive naming them when they run past the end.
std::string storedBlock(const TPOD& archive, RecordBlock block, const char* french,
                        const char* english) {
    const auto pastTheEnd = [&] {
        return DamagedArchive(
            std::string("Les enregistrements ") + french + " dépassent la fin de l'archive.",
            std::string("The ") + english + " records run past the end of the archive.");
    };
    if (block.start < 0 || block.size < 0 || block.start + block.size > archive.file().size()) {
        throw pastTheEnd();
    }
    std::string bytes(std::size_t(block.size), '\0');
    // Short only when the file was cut since its directory was read.
    if (archive.file().readAt(block.start, bytes.data(), bytes.size()) != bytes.size()) {
        throw pastTheEnd();
    }
    return bytes;
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
    const std::string bytes = auditBytes(archive);
    std::vector<AuditRecord> records;
    records.reserve(bytes.size() / kAuditRecordSize);
    for (std::size_t at = 0; at < bytes.size(); at += kAuditRecordSize) {
        records.push_back(auditRecord(std::string_view(bytes).substr(at, kAuditRecordSize)));
    }
    return records;
}

std::string encodeAuditRecord(const AuditRecord& record) {
    std::string bytes(kAuditRecordSize, '\0');
    setFieldText(bytes, kUser, record.user);
    setFieldValue(bytes, kTime, record.time);
    setFieldValue(bytes, kAction, record.action);
    setFieldText(bytes, kPath, record.path);
    setFieldValue(bytes, kOldTime, record.oldTime);
    setFieldValue(bytes, kOldSize, record.oldSize);
    setFieldValue(bytes, kNewTime, record.newTime);
    setFieldValue(bytes, kNewSize, record.newSize);
    return bytes;
}

RecordBlock dependencyRecords(const TPOD& archive) {
    const HeaderFields& fields = archive.layout().header;
    if (!fields.dependencyCount.present()) return {};
    return {dependencyStart(archive), std::int64_t(headerValue(archive, fields.dependencyCount)) *
                                          std::int64_t(kDependencyRecordSize)};
}

RecordBlock auditRecords(const TPOD& archive) {
    if (archive.layout().audits == AuditPlace::None) return {};
    return {auditStart(archive), auditSize(archive)};
}

std::string dependencyBytes(const TPOD& archive) {
    return storedBlock(archive, dependencyRecords(archive), "de dépendance", "dependency");
}

std::string auditBytes(const TPOD& archive) {
    return storedBlock(archive, auditRecords(archive), "d'audit", "audit");
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
    const RecordBlock dependencies = dependencyRecords(archive);
    add(ChecksumItem::Dependencies, fields.dependencyChecksum, dependencies.start,
        dependencies.size);
    const RecordBlock audit = auditRecords(archive);
    add(ChecksumItem::Audit, fields.auditChecksum, audit.start, audit.size);
    return blocks;
}

}  // namespace kelvane
