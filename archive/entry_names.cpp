#include "archive/entry_names.h"

#include <algorithm>
#include <map>

#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == ':';
}

// A plain backward scan: find_last_of calls memchr once per character.
std::size_t fileStart(std::string_view storedName) {
    std::size_t start = storedName.size();
    while (start > 0 && !isSeparator(storedName[start - 1])) --start;
    return start;
}

bool isDrive(std::string_view storedName) {
    return storedName.size() >= 2 && storedName[1] == ':' &&
           ((storedName[0] >= 'A' && storedName[0] <= 'Z') ||
            (storedName[0] >= 'a' && storedName[0] <= 'z'));
}

// One stored component as a file name on disk: UTF-8, with the forward slash (an ordinary
// character in stored names, a separator here) written as '_'.
std::string nativeComponent(std::string_view component) {
    std::string native = cp1252ToUtf8(component);
    for (char& c : native) {
        if (c == '/') c = '_';
    }
    return native;
}

}  // namespace

std::string_view directoryPart(std::string_view storedName) {
    return storedName.substr(0, fileStart(storedName));
}

std::string_view filePart(std::string_view storedName) {
    return storedName.substr(fileStart(storedName));
}

UnsafeEntryName::UnsafeEntryName(const std::string& storedName)
    : BilingualError("L'entrée \"" + visibleText(storedName) +
                         "\" est refusée : son nom la placerait hors du répertoire choisi.",
                     "Entry \"" + visibleText(storedName) +
                         "\" refused: its name would place it outside the target directory") {}

std::vector<std::string> safeComponents(std::string_view storedName) {
    if ((!storedName.empty() && isSeparator(storedName.front())) || isDrive(storedName)) {
        throw UnsafeEntryName(std::string(storedName));
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= storedName.size()) {
        std::size_t end = storedName.find_first_of("\\:", start);
        if (end == std::string_view::npos) end = storedName.size();
        std::string_view component = storedName.substr(start, end - start);
        // A NUL would cut the path short where the system reads it.
        if (component == "." || component == ".." || component.find('\0') != component.npos)
            throw UnsafeEntryName(std::string(storedName));
        // Doubled separators inside a name add no level.
        if (!component.empty() || end == storedName.size()) {
            components.push_back(nativeComponent(component));
        }
        start = end + 1;
    }
    return components;
}

std::vector<std::string> entryComponents(std::string_view storedName, bool keepFolders) {
    try {
        return safeComponents(keepFolders ? storedName : filePart(storedName));
    } catch (const UnsafeEntryName&) {
        throw UnsafeEntryName(std::string(storedName));
    }
}

SharedFlatNames sharedFlatNames(const std::vector<std::string_view>& storedNames) {
    struct Landing {
        std::size_t order;
        std::string firstPath;  // the whole path of the first entry landing there
        int entries = 0;
        bool shared = false;  // by an entry of another path
    };
    std::map<std::string, Landing> landings;
    for (const std::string_view name : storedNames) {
        std::string flat;
        try {
            flat = entryComponents(name, false).back();
        } catch (const UnsafeEntryName&) {
            continue;
        }
        // A whole path that would be refused stands for itself.
        std::string joined;
        try {
            for (const std::string& component : entryComponents(name, true))
                joined += component + '/';
        } catch (const UnsafeEntryName&) {
            joined = name;
        }
        auto [landing, first] = landings.try_emplace(flat, Landing{landings.size(), joined});
        ++landing->second.entries;
        if (!first && landing->second.firstPath != joined) landing->second.shared = true;
    }
    std::vector<std::pair<std::size_t, const std::string*>> shared;
    SharedFlatNames result;
    for (const auto& [flat, landing] : landings) {
        if (!landing.shared) continue;
        shared.emplace_back(landing.order, &flat);
        result.entries += landing.entries;
    }
    std::sort(shared.begin(), shared.end());
    for (const auto& [order, flat] : shared) result.names.push_back(*flat);
    return result;
}

}  // namespace kelvane
