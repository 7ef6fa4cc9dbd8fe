#include "archive/archive_errors.h"

#include "platform/cp1252.h"

namespace kelvane {

DamagedEntry::DamagedEntry(const CatalogueEntry& entry, const std::string& frenchReason,
                           const std::string& englishReason)
    : BilingualError(
          "L'entrée \"" + cp1252ToUtf8(entry.name) + "\" est endommagée : " + frenchReason + ".",
          "Entry \"" + cp1252ToUtf8(entry.name) + "\" is damaged: " + englishReason + ".") {}

}  // namespace kelvane
