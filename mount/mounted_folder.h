#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "mount/mounted_archive.h"

namespace kelvane::mount {

// What a mount shows: one archive's tree at the root, or a folder of archives, where each
// archive is a folder named after its file holding that archive's tree, among the real
// folders that lead to archives. Outer folders are known from the start; an archive is read
// only when something looks into its folder.
//
// Inode numbers: the high 32 bits say whose node it is (0: an outer folder, or the one
// archive at the root; k: the k-th archive of the folder), the low 32 bits hold the node's
// index + 1, so that the root is 1.
class MountedFolder {
  public:
    // A folder or file of the mount: a node of `archive`'s tree, or an outer folder.
    struct Place {
        int archive = -1;  // its index; -1: an outer folder
        int node = 0;
    };
    struct Child {
        const std::string& name;
        Place place;
    };

    // `archive` at the root, read already.
    explicit MountedFolder(std::unique_ptr<MountedArchive> archive);
    // The archives under `folder` (as archivesUnder selects them), none read yet; a folder
    // under it that cannot be listed is left out and said. Throws as walkFolder throws when
    // `folder` cannot be listed. `err`: as MountedArchive takes it.
    MountedFolder(const std::string& folder, std::ostream* err);

    // The place of `inode`, or null when there is none (unknown, or inside an archive not read).
    std::optional<Place> placeOf(std::uint64_t inode) const;
    std::uint64_t inodeOf(Place place) const;

    bool isFolder(Place place) const;
    // Reads the archive whose root `place` is, the first time: false when it cannot be read.
    bool enter(Place place);
    // A folder's children, sorted by name (bytes), once entered.
    std::size_t childCount(Place folder) const;
    Child childAt(Place folder, std::size_t index) const;
    std::optional<Place> child(Place folder, std::string_view name) const;
    Place parentOf(Place place) const;
    // The entry of a file.
    const CatalogueEntry& entryOf(Place file) const;
    MountedArchive& archiveOf(Place inArchive) const {
        return *archives_[std::size_t(inArchive.archive)];
    }
    struct stat attributesOf(Place place) const;

    std::uint64_t bytes() const;  // the archive files' sizes
    std::size_t nodes() const;    // the nodes known so far

  private:
    struct OuterNode {
        std::string name;
        int parent = 0;
        int archive = -1;           // an archive's folder: its index; else an outer folder
        std::vector<int> children;  // sorted by name (bytes)
        struct timespec time {};
    };
    int addOuter(int parent, std::string name, int archive);
    Place outerPlace(int node) const;
    const ArchiveTree* treeOf(Place place) const;

    std::vector<OuterNode> outer_;  // empty when the one archive is at the root
    std::vector<std::unique_ptr<MountedArchive>> archives_;
    uid_t uid_;
    gid_t gid_;
};

}  // namespace kelvane::mount
