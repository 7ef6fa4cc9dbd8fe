#include "browser/archive_property_rows.h"

#include <optional>

#include "platform/cp1252.h"

namespace kelvane {
namespace {

std::string number(const std::optional<std::uint32_t>& value) {
    return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::vector<PropertyRow> propertyRows(const ArchiveDetails& details) {
    return {
        {"Format", "Layout", details.layout},
        {"Étiquette", "Tag", cp1252ToUtf8(details.tag)},
        {"Commentaire", "Comment", cp1252ToUtf8(details.comment)},
        {"Auteur", "Author", cp1252ToUtf8(details.author)},
        {"Copyright", "Copyright", cp1252ToUtf8(details.copyright)},
        {"Révision", "Revision", number(details.revision)},
        {"Priorité", "Priority", number(details.priority)},
        {"Version", "Version", number(details.version)},
        {"Archive suivante", "Next archive", number(details.nextArchive)},
        {"Entrées", "Entries", std::to_string(details.entries)},
        {"Enregistrements d'audit", "Audit records", number(details.auditRecords)},
        {"Dépendances", "Dependency records", number(details.dependencyRecords)},
        {"Entrées compressées", "Compressed entries", std::to_string(details.compressedEntries)},
    };
}

std::string auditActionText(std::uint32_t action, bool english) {
    if (english || action > 2) return auditActionName(action);
    constexpr const char* kFrench[] = {"ajout", "suppression", "modification"};
    return kFrench[action];
}

}  // namespace kelvane
