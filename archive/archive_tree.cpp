#include "archive/archive_tree.h"

#include <algorithm>
#include <map>

#include "archive/entry_names.h"

namespace kelvane {
namespace {

// Longer components cannot be looked up on a Linux file system.
constexpr std::size_t kNameMax = 255;

bool usableFileName(const std::string& component) {
    return !component.empty() && component.size() <= kNameMax;
}

}  // namespace

ArchiveTree::ArchiveTree(const std::vector<CatalogueEntry>& catalogue) {
    nodes_.push_back(TreeNode{});
    // Children by name while building; flattened into sorted vectors at the end.
    std::vector<std::map<std::string, int, std::less<>>> byName(1);
    auto addNode = [&](int parent, const std::string& name, int entry) {
        const int id = int(nodes_.size());
        nodes_.push_back(TreeNode{name, parent, entry, {}});
        byName.emplace_back();
        byName[std::size_t(parent)].emplace(name, id);
        return id;
    };

    for (const CatalogueEntry& entry : catalogue) {
        std::vector<std::string> components;
        try {
            components = safeComponents(entry.name);
        } catch (const UnsafeEntryName&) {
            leftOut_.push_back({entry.index, LeftOutEntry::Reason::UnsafeName});
            continue;
        }
        if (!std::all_of(components.begin(), components.end(), usableFileName)) {
            leftOut_.push_back({entry.index, LeftOutEntry::Reason::NoFileName});
            continue;
        }
        int folder = kRoot;
        bool placed = true;
        for (std::size_t i = 0; i + 1 < components.size() && placed; ++i) {
            auto& siblings = byName[std::size_t(folder)];
            auto found = siblings.find(components[i]);
            if (found == siblings.end()) {
                folder = addNode(folder, components[i], -1);
                continue;
            }
            TreeNode& existing = nodes_[std::size_t(found->second)];
            if (!existing.isFolder()) {
                // The folder wins over a file of its name: it holds more.
                leftOut_.push_back({existing.entry, LeftOutEntry::Reason::FolderOfName});
                existing.entry = -1;
            }
            folder = found->second;
        }
        auto& siblings = byName[std::size_t(folder)];
        auto found = siblings.find(components.back());
        if (found == siblings.end()) {
            addNode(folder, components.back(), entry.index);
        } else if (nodes_[std::size_t(found->second)].isFolder()) {
            leftOut_.push_back({entry.index, LeftOutEntry::Reason::FolderOfName});
        } else {
            TreeNode& existing = nodes_[std::size_t(found->second)];
            leftOut_.push_back({existing.entry, LeftOutEntry::Reason::Replaced, entry.index});
            existing.entry = entry.index;
        }
    }

    for (std::size_t id = 0; id < nodes_.size(); ++id) {
        auto& children = nodes_[id].children;
        children.reserve(byName[id].size());
        for (const auto& [name, child] : byName[id]) children.push_back(child);
    }
    std::stable_sort(
        leftOut_.begin(), leftOut_.end(),
        [](const LeftOutEntry& a, const LeftOutEntry& b) { return a.entry < b.entry; });
}

std::optional<int> ArchiveTree::child(int folder, std::string_view name) const {
    const auto& children = nodes_[std::size_t(folder)].children;
    auto it =
        std::lower_bound(children.begin(), children.end(), name, [&](int id, std::string_view n) {
            return std::string_view(nodes_[std::size_t(id)].name) < n;
        });
    if (it == children.end() || nodes_[std::size_t(*it)].name != name) return std::nullopt;
    return *it;
}

std::optional<int> ArchiveTree::find(std::string_view path) const {
    int id = kRoot;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) {
            const auto next = child(id, path.substr(start, end - start));
            if (!next) return std::nullopt;
            id = *next;
        }
        start = end + 1;
    }
    return id;
}

std::string ArchiveTree::pathOf(int id) const {
    std::vector<int> chain;
    for (; id != kRoot; id = nodes_[std::size_t(id)].parent) chain.push_back(id);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += nodes_[std::size_t(*it)].name;
    }
    return path;
}

}  // namespace kelvane
