#include "archive/directory.h"

#include <cstring>
#include <stdexcept>

#include "archive/archive_errors.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

// Bytes of name storage after the records: the table, or at least one NUL per entry.
std::int64_t nameBytes(const LayoutUnit& unit, std::string_view header, std::int32_t count) {
    switch (unit.names) {
        case NameStorage::Inline:
            return 0;
        case NameStorage::InSequence:
            return count;
        case NameStorage::ByOffset:
            return fieldValue(header, unit.header.nameTableSize);
    }
    return 0;
}

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
    SequentialReader reader(file, directoryStart(unit, header));
    const std::int32_t count = declaredCount(unit, header);
    // A count or table the file cannot hold fails before anything is sized.
    if (count < 0 || std::int64_t(count) * unit.recordSize + nameBytes(unit, header, count) >
                         reader.remaining()) {
        throw std::runtime_error(kStreamReadError);
    }
    const std::string records = reader.read(std::size_t(count) * unit.recordSize);
    const std::string table =
        unit.names == NameStorage::ByOffset
            ? reader.read(std::size_t(fieldValue(header, unit.header.nameTableSize)))
            : std::string();

    std::vector<CatalogueEntry> entries;
    entries.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const std::string_view record(records.data() + std::size_t(i) * unit.recordSize,
                                      unit.recordSize);
        entries.push_back(entryFromRecord(unit, record, i));
        if (unit.names == NameStorage::ByOffset) {
            entries.back().name = nameInTable(table, fieldValue(record, unit.record.name), i);
        }
    }
    if (unit.names == NameStorage::InSequence) {
        for (CatalogueEntry& entry : entries) entry.name = reader.readNulTerminated();
    }
    return entries;
}

}  // namespace kelvane
