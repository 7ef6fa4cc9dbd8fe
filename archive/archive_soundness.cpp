#include "archive/archive_soundness.h"

#include <string>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/pod_reader.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

[[noreturn]] void refuse(const std::string& french, const std::string& english) {
    throw WriteRefused(
        "L'archive ne peut être réécrite sans perte : " + french + " Elle reste telle quelle.",
        "The archive cannot be rewritten without loss: " + english + " It is left as it is.");
}

// Bytes of the names stored one after another, each with its NUL.
std::int64_t namesSize(const TPOD& archive) {
    std::int64_t size = 0;
    for (const CatalogueEntry& entry : archive.catalogue()) {
        size += std::int64_t(entry.name.size()) + 1;
    }
    return size;
}

void requireEntriesWithin(const TPOD& archive) {
    const std::int64_t fileSize = archive.file().size();
    for (const CatalogueEntry& entry : archive.catalogue()) {
        const std::int64_t end = std::int64_t(entry.offset) + entry.storedSize;
        if (end <= fileSize) continue;
        const std::string number = std::to_string(entry.index + 1);
        const std::string name = "\"" + visibleText(entry.name) + "\"";
        const std::string at = std::to_string(end), size = std::to_string(fileSize);
        refuse("l'entrée " + number + " " + name + " finit après la fin du fichier (à l'octet " +
                   at + " d'un fichier de " + size + " octets).",
               "entry " + number + " " + name + " ends past the end of the file (at byte " + at +
                   " of a file of " + size + " bytes).");
    }
}

void requireRecordsWithin(const TPOD& archive, RecordBlock block, std::int64_t directoryEnd,
                          const char* french, const char* english) {
    if (block.size == 0) return;
    if (block.start + block.size > archive.file().size()) {
        refuse(std::string("les enregistrements ") + french + " dépassent la fin du fichier.",
               std::string("the ") + english + " records run past the end of the file.");
    }
    if (block.start < directoryEnd) {
        refuse(std::string("les enregistrements ") + french + " chevauchent le répertoire.",
               std::string("the ") + english + " records overlap the directory.");
    }
}

// The older layout is read whatever the first bytes say; unless they are its own tag, that
// reading is a guess (a damaged POD1, whose first bytes are its count, reads so too).
void requireOwnTag(const TPOD& archive) {
    const LayoutUnit& unit = archive.layout();
    if (unit.family != ArchiveFamily::POD || !unit.header.tag.present() || !unit.tag.empty())
        return;
    const std::string tag = fieldText(archive.header(), unit.header.tag);
    if (tag == unit.newTag) return;
    const std::string shown = "\"" + visibleText(tag) + "\"";
    const std::string layout(unit.name);
    refuse("ses premiers octets (" + shown +
               ") ne nomment aucune disposition : elle est lue "
               "comme une archive " +
               layout +
               " par défaut, et la réécrire sur cette supposition "
               "pourrait perdre ce qu'elle contient.",
           "its first bytes (" + shown + ") name no layout: it is read as a " + layout +
               " archive by default, and rewriting it on that guess could lose what it holds.");
}

}  // namespace

void requireSoundReading(const TPOD& archive) {
    requireOwnTag(archive);
    requireEntriesWithin(archive);
    const LayoutUnit& unit = archive.layout();
    const std::int64_t recordsEnd = directoryStart(unit, archive.header()) +
                                    std::int64_t(archive.catalogue().size()) * unit.recordSize;
    const std::int64_t directoryEnd =
        recordsEnd + (unit.names == NameStorage::InSequence ? namesSize(archive) : 0);
    const RecordBlock dependencies = dependencyRecords(archive);
    const RecordBlock audit = auditRecords(archive);
    // Records placed after the name table by its stated size are elsewhere when the size lies.
    if (unit.names == NameStorage::InSequence && unit.header.nameTableSize.present() &&
        unit.audits == AuditPlace::AfterDependencies && dependencies.size + audit.size > 0 &&
        fieldValue(archive.header(), unit.header.nameTableSize) != namesSize(archive)) {
        refuse(
            "la taille de la table des noms ne correspond pas aux noms lus : les "
            "enregistrements qui la suivent ne peuvent être trouvés.",
            "the name table's stated size does not match the names read: the records after "
            "it cannot be found.");
    }
    requireRecordsWithin(archive, dependencies, directoryEnd, "de dépendance", "dependency");
    requireRecordsWithin(archive, audit, directoryEnd, "d'audit", "audit");
}

}  // namespace kelvane
