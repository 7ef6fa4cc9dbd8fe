#include "archive/archive_errors.h"

#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

// `opening` + the quoted name + `middle` + `reason` + ".".
std::string sentence(const char* opening, const std::string& name, const char* middle,
                     const std::string& reason) {
    std::string text = opening;
    text += '"';
    text += name;
    text += '"';
    text += middle;
    text += reason;
    text += '.';
    return text;
}

}  // namespace

DamagedEntry::DamagedEntry(const CatalogueEntry& entry, const std::string& frenchReason,
                           const std::string& englishReason)
    : BilingualError(
          sentence("L'entrée ", visibleText(entry.name), " est endommagée : ", frenchReason),
          sentence("Entry ", visibleText(entry.name), " is damaged: ", englishReason)) {}

}  // namespace kelvane
