// Which entries an argument of extract or cat names.
#include "archive/name_pattern.h"
#include "cli/archive_access.h"
#include "platform/cp1252.h"

namespace kelvane::cli {

std::vector<int> selectEntries(const TPOD& pod, const std::string& wanted) {
    if (const auto exact = findEntry(pod, wanted)) return {*exact};
    const NamePattern pattern(utf8ToCp1252(wanted));
    std::vector<int> indices;
    for (const CatalogueEntry& entry : pod.catalogue()) {
        if (pattern.matches(entry.name)) indices.push_back(entry.index);
    }
    return indices;
}

}  // namespace kelvane::cli
