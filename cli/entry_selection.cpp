// Which entries the arguments of extract, cat and delete name.
#include <algorithm>

#include "archive/entry_selection.h"
#include "cli/archive_access.h"
#include "platform/cp1252.h"

namespace kelvane::cli {

std::optional<std::vector<int>> selectAll(const TPOD& pod, const std::string& archive,
                                          Arguments::const_iterator first,
                                          Arguments::const_iterator last, bool once,
                                          std::ostream& err) {
    std::vector<int> indices;
    for (auto it = first; it != last; ++it) {
        const std::vector<int> selected = selectEntries(pod.catalogue(), utf8ToCp1252(*it));
        if (selected.empty()) {
            err << "kelvane-cli: no entry " << *it << " in " << archive << "\n";
            return std::nullopt;
        }
        indices.insert(indices.end(), selected.begin(), selected.end());
    }
    if (once) {
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    }
    return indices;
}

}  // namespace kelvane::cli
