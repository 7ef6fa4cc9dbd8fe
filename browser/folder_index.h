#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/catalogue_entry.h"

namespace kelvane {

// The stored folders of a catalogue as a tree: names split at backslashes and colons alike,
// empty components dropped, folders that differ only in case merged (the simulators compare
// names case-blind).
// Folders are numbered in tree order, children sorted by name, so that a folder and
// everything below it are the numbers [folder, folder.end).
class FolderIndex {
  public:
    struct Folder {
        std::string name;  // the component as first met, Windows-1252; empty for the root
        int parent = -1;
        int end = 0;           // one past the last folder below this one
        int entriesBelow = 0;  // entries in this folder and every folder below it
        std::vector<int> children;
    };

    FolderIndex() = default;
    explicit FolderIndex(const std::vector<CatalogueEntry>& entries);

    // Folder 0 is the root: the whole archive. A default-made index has no folder.
    const std::vector<Folder>& folders() const { return folders_; }
    // The folder holding entry `row` (its position in the catalogue).
    int folderOf(int row) const { return entryFolder_[std::size_t(row)]; }
    // True when entry `row` lies in `folder` or below it.
    bool holds(int folder, int row) const {
        const int own = folderOf(row);
        return own >= folder && own < folders_[std::size_t(folder)].end;
    }

  private:
    std::vector<Folder> folders_;
    std::vector<std::int32_t> entryFolder_;
};

}  // namespace kelvane
