#include "archive/directory.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "archive/archive_errors.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

CatalogueEntry entryFromRecord(const LayoutUnit& unit, std::string_view record, int index) {
    const RecordFields& fields = unit.record;
    CatalogueEntry entry;
    entry.index = index;
    entry.storedSize = fieldValue(record, fields.storedSize);
    entry.size = fields.uncompressedSize.present() ? fieldValue(record, fields.uncompressedSize)
                                                   : entry.storedSize;
    entry.offset = fieldValue(record, fields.offset);
    entry.timestamp = fieldValue(record, fields.timestamp);
    entry.hasTimestamp = fields.timestamp.present();
    entry.checksum = fieldValue(record, fields.checksum);
    // Stored as is only when flagged 0 with equal sizes; anything else is a deflate stream.
    entry.compressed =
        fields.compression.present() &&
        (fieldValue(record, fields.compression) != 0 || entry.size != entry.storedSize);
    if (unit.names == NameStorage::Inline) entry.name = fieldText(record, fields.name);
    return entry;
}

std::string nameInTable(std::string_view table, std::uint32_t offset, int index) {
    if (offset >= table.size()) {
        const std::string number = std::to_string(index + 1);
        throw DamagedArchive("Le nom de l'entrée " + number + " est hors de la table des noms.",
                             "The name of entry " + number + " lies outside the name table.");
    }
    const char* start = table.data() + offset;
    return std::string(start, strnlen(start, table.size() - offset));
}

}  // namespace

std::vector<CatalogueEntry> readCatalogue(const LayoutUnit& unit, std::string_view header,
                                          const ReadOnlyFile& file) {
    const std::int64_t fileSize = file.size();
    const auto requireWithin = [&](ArchivePart part, std::int64_t end) {
        if (end > fileSize) throw partPastTheEnd(unit.name, part, end, fileSize);
    };
    // A count or table the file cannot hold fails before anything is sized.
    const std::uint32_t count = fieldValue(header, unit.header.count);
    const std::int64_t recordsEnd =
        directoryStart(unit, header) + std::int64_t(count) * unit.recordSize;
    requireWithin(ArchivePart::Directory, recordsEnd);
    switch (unit.names) {
        case NameStorage::Inline:
            break;
        case NameStorage::InSequence:  // at least one NUL per entry
            requireWithin(ArchivePart::NameTable, recordsEnd + count);
            break;
        case NameStorage::ByOffset:
            requireWithin(ArchivePart::NameTable,
                          recordsEnd + fieldValue(header, unit.header.nameTableSize));
            break;
    }

    SequentialReader reader(file, directoryStart(unit, header));
    const std::string records = reader.read(std::size_t(count) * unit.recordSize);
    const std::string table =
        unit.names == NameStorage::ByOffset
            ? reader.read(std::size_t(fieldValue(header, unit.header.nameTableSize)))
            : std::string();

    std::vector<CatalogueEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string_view record(records.data() + std::size_t(i) * unit.recordSize,
                                      unit.recordSize);
        entries.push_back(entryFromRecord(unit, record, int(i)));
        if (unit.names == NameStorage::ByOffset) {
            entries.back().name = nameInTable(table, fieldValue(record, unit.record.name), int(i));
        }
    }
    if (unit.names == NameStorage::InSequence) {
        for (CatalogueEntry& entry : entries) {
            const std::int64_t start = reader.position();
            try {
                entry.name = reader.readNulTerminated();
            } catch (const std::runtime_error&) {
                throw namePastTheEnd(entry.index, start, fileSize);
            }
        }
    }
    return entries;
}

}  // namespace kelvane
