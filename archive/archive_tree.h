#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/catalogue_entry.h"

namespace kelvane {

// One folder or file of the tree. Names are native components (UTF-8), as
// `extract --structure` writes them.
struct TreeNode {
    std::string name;           // empty for the root
    int parent = 0;             // the root is its own parent
    int entry = -1;             // catalogue index of a file; -1 for a folder
    std::vector<int> children;  // a folder's, sorted by name (byte order)

    bool isFolder() const { return entry < 0; }
};

// An entry the tree does not show, and why.
struct LeftOutEntry {
    enum class Reason {
        UnsafeName,    // its name would leave the folder (see safeComponents)
        NoFileName,    // its name ends with a separator or has a component too long
        FolderOfName,  // a folder of the same path holds other entries
        Replaced       // a later entry has the same path (as extraction replaces it)
    };
    int entry = 0;
    Reason reason = Reason::UnsafeName;
    int by = -1;  // for Replaced: the entry shown instead
};

// The stored names of an archive as a folder tree: backslash and colon separate folders,
// components are checked and converted by safeComponents, the same names extraction with its
// structure writes.
class ArchiveTree {
  public:
    static constexpr int kRoot = 0;

    explicit ArchiveTree(const std::vector<CatalogueEntry>& catalogue);

    std::size_t size() const { return nodes_.size(); }
    const TreeNode& node(int id) const { return nodes_[std::size_t(id)]; }
    // The child of `folder` called `name` (UTF-8).
    std::optional<int> child(int folder, std::string_view name) const;
    // The node at `path`: components separated by '/', relative to the root ("" is the root).
    std::optional<int> find(std::string_view path) const;
    // The node's path from the root, components separated by '/'.
    std::string pathOf(int id) const;
    // In directory order of the entries.
    const std::vector<LeftOutEntry>& leftOut() const { return leftOut_; }

  private:
    std::vector<TreeNode> nodes_;
    std::vector<LeftOutEntry> leftOut_;
};

}  // namespace kelvane
