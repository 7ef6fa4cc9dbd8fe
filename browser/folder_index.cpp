#include "browser/folder_index.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "archive/entry_names.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == ':';
}

// The folders as first met, before they are put in tree order.
struct Draft {
    std::vector<FolderIndex::Folder> folders{FolderIndex::Folder{}};
    std::vector<int> direct{0};  // entries right in each folder
    // Upper-cased folder path, each component followed by a backslash, to its draft number.
    std::unordered_map<std::string, int> byPath;

    // A colon and a backslash separate folders alike, and an empty component (a leading or
    // doubled separator) adds no level: the folders extraction with the structure makes.
    int folderFor(std::string_view directory) {
        int parent = 0;
        std::string key;
        std::size_t start = 0;
        for (std::size_t i = 0; i < directory.size(); ++i) {
            if (!isSeparator(directory[i])) continue;
            const std::string_view component = directory.substr(start, i - start);
            start = i + 1;
            if (component.empty()) continue;
            key += cp1252Upper(component);
            key += '\\';
            const auto [at, added] = byPath.try_emplace(key, int(folders.size()));
            if (added) {
                folders.push_back(
                    {.name = std::string(component), .parent = parent, .children = {}});
                direct.push_back(0);
                folders[std::size_t(parent)].children.push_back(at->second);
            }
            parent = at->second;
        }
        return parent;
    }
};

}  // namespace

FolderIndex::FolderIndex(const std::vector<CatalogueEntry>& entries) {
    Draft draft;
    std::vector<std::int32_t> draftFolder(entries.size());
    // Entries of one folder usually lie together: reuse the last folder while it repeats.
    std::string_view lastDirectory;
    int lastFolder = 0;
    for (std::size_t row = 0; row < entries.size(); ++row) {
        const std::string_view directory = directoryPart(entries[row].name);
        if (row == 0 || directory != lastDirectory) {
            lastFolder = draft.folderFor(directory);
            lastDirectory = directory;
        }
        draftFolder[row] = lastFolder;
        ++draft.direct[std::size_t(lastFolder)];
    }

    // Tree order: children by name, case-blind, then as met.
    for (Folder& folder : draft.folders) {
        std::stable_sort(folder.children.begin(), folder.children.end(), [&](int a, int b) {
            return cp1252Upper(draft.folders[std::size_t(a)].name) <
                   cp1252Upper(draft.folders[std::size_t(b)].name);
        });
    }
    std::vector<int> number(draft.folders.size());
    folders_.reserve(draft.folders.size());
    // Depth first without recursion: folders may nest as deep as names are long.
    std::vector<std::pair<int, int>> stack{{0, -1}};  // draft folder, new parent
    while (!stack.empty()) {
        const auto [old, parent] = stack.back();
        stack.pop_back();
        const int id = int(folders_.size());
        number[std::size_t(old)] = id;
        Folder& source = draft.folders[std::size_t(old)];
        folders_.push_back({std::move(source.name), parent, 0, draft.direct[std::size_t(old)], {}});
        if (parent >= 0) folders_[std::size_t(parent)].children.push_back(id);
        for (auto child = source.children.rbegin(); child != source.children.rend(); ++child)
            stack.emplace_back(*child, id);
    }
    // Counts and ends gather from the deepest folders up: a child's number is above its
    // parent's.
    for (int id = int(folders_.size()) - 1; id >= 0; --id) {
        Folder& folder = folders_[std::size_t(id)];
        folder.end =
            folder.children.empty() ? id + 1 : folders_[std::size_t(folder.children.back())].end;
        if (folder.parent >= 0)
            folders_[std::size_t(folder.parent)].entriesBelow += folder.entriesBelow;
    }
    entryFolder_.resize(entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row)
        entryFolder_[row] = number[std::size_t(draftFolder[row])];
}

}  // namespace kelvane
