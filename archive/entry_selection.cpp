#include "archive/entry_selection.h"

#include <charconv>

#include "archive/name_pattern.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

template <class Keep>
std::vector<int> entriesWhere(const std::vector<CatalogueEntry>& entries, Keep keep) {
    std::vector<int> indices;
    for (const CatalogueEntry& entry : entries) {
        if (keep(entry.name)) indices.push_back(entry.index);
    }
    return indices;
}

}  // namespace

std::vector<int> selectEntries(const std::vector<CatalogueEntry>& entries,
                               std::string_view argument) {
    std::size_t number = 0;
    const char* end = argument.data() + argument.size();
    const auto [stop, error] = std::from_chars(argument.data(), end, number);
    if (!argument.empty() && error == std::errc() && stop == end && number >= 1 &&
        number <= entries.size()) {
        return {entries[number - 1].index};
    }
    std::vector<int> named =
        entriesWhere(entries, [&](std::string_view name) { return name == argument; });
    if (!named.empty()) return named;
    const std::string folded = cp1252Upper(argument);
    named = entriesWhere(entries, [&](std::string_view name) {
        return name.size() == folded.size() && cp1252Upper(name) == folded;
    });
    if (!named.empty()) return named;
    const NamePattern pattern(argument);
    return entriesWhere(entries, [&](std::string_view name) { return pattern.matches(name); });
}

}  // namespace kelvane
