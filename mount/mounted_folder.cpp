#include "mount/mounted_folder.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "archive/archive_search.h"
#include "mount/damage_log.h"

namespace kelvane::mount {
namespace {

constexpr std::uint64_t kLowBits = 0xFFFFFFFF;

struct stat folderAttributes(const struct timespec& time, nlink_t links) {
    struct stat attributes {};
    attributes.st_mode = S_IFDIR | 0555;
    attributes.st_nlink = links;
    attributes.st_mtim = time;
    return attributes;
}

}  // namespace

MountedFolder::MountedFolder(std::unique_ptr<MountedArchive> archive)
    : uid_(::getuid()), gid_(::getgid()) {
    archives_.push_back(std::move(archive));
}

MountedFolder::MountedFolder(const std::string& folder, std::ostream* err)
    : uid_(::getuid()), gid_(::getgid()) {
    // Absolute: a background mount serves from "/".
    const std::string root = std::filesystem::absolute(folder).lexically_normal().string();
    addOuter(0, {}, -1);
    for (const FoundArchive& found : archivesUnder(root)) {
        const FoundFile& file = found.file;
        if (found.unreadableFolder != 0) {  // left out, said once
            reportUnreadableArchive(file.path,
                                    std::string("the folder cannot be listed: ") +
                                        std::strerror(found.unreadableFolder),
                                    err);
            continue;
        }
        int parent = 0;
        const std::string_view relative = file.relative();
        std::size_t start = 0;
        for (std::size_t slash; (slash = relative.find('/', start)) != std::string_view::npos;
             start = slash + 1) {
            const std::string_view name = relative.substr(start, slash - start);
            const std::vector<int>& siblings = outer_[std::size_t(parent)].children;
            // Archives come sorted by path: a folder met before is the last one added here.
            if (!siblings.empty() && outer_[std::size_t(siblings.back())].name == name &&
                outer_[std::size_t(siblings.back())].archive < 0) {
                parent = siblings.back();
            } else {
                parent = addOuter(parent, std::string(name), -1);
                struct stat info {};
                const std::string path = file.path.substr(0, file.relativeStart + slash);
                if (::stat(path.c_str(), &info) == 0) outer_.back().time = info.st_mtim;
            }
        }
        addOuter(parent, std::string(relative.substr(start)), int(archives_.size()));
        archives_.push_back(std::make_unique<MountedArchive>(file.path, err));
    }
    struct stat info {};
    if (::stat(root.c_str(), &info) == 0) outer_[0].time = info.st_mtim;
    for (OuterNode& node : outer_) {
        std::sort(node.children.begin(), node.children.end(), [this](int a, int b) {
            return outer_[std::size_t(a)].name < outer_[std::size_t(b)].name;
        });
    }
}

int MountedFolder::addOuter(int parent, std::string name, int archive) {
    const int id = int(outer_.size());
    outer_.push_back({std::move(name), parent, archive, {}});
    if (id != parent) outer_[std::size_t(parent)].children.push_back(id);
    return id;
}

const ArchiveTree* MountedFolder::treeOf(Place place) const {
    if (place.archive < 0) return nullptr;
    const MountedArchive& archive = archiveOf(place);
    return archive.isRead() ? &archive.tree() : nullptr;
}

MountedFolder::Place MountedFolder::outerPlace(int node) const {
    const OuterNode& outer = outer_[std::size_t(node)];
    if (outer.archive >= 0) return {outer.archive, ArchiveTree::kRoot};
    return {-1, node};
}

std::optional<MountedFolder::Place> MountedFolder::placeOf(std::uint64_t inode) const {
    const std::uint64_t key = inode >> 32, low = inode & kLowBits;
    if (low == 0) return std::nullopt;
    const Place place{outer_.empty() ? int(key) : int(key) - 1, int(low - 1)};
    if (place.archive < 0) {
        if (std::size_t(place.node) >= outer_.size() ||
            outer_[std::size_t(place.node)].archive >= 0)
            return std::nullopt;
        return place;
    }
    if (std::size_t(place.archive) >= archives_.size()) return std::nullopt;
    const ArchiveTree* tree = treeOf(place);
    const std::size_t nodes = tree != nullptr ? tree->size() : 1;
    if (std::size_t(place.node) >= nodes) return std::nullopt;
    return place;
}

std::uint64_t MountedFolder::inodeOf(Place place) const {
    const std::uint64_t key = outer_.empty() ? 0 : std::uint64_t(place.archive + 1);
    return (key << 32) | (std::uint64_t(place.node) + 1);
}

bool MountedFolder::isFolder(Place place) const {
    const ArchiveTree* tree = treeOf(place);
    return tree == nullptr || tree->node(place.node).isFolder();
}

bool MountedFolder::enter(Place place) {
    return place.archive < 0 || archiveOf(place).readOnce();
}

std::size_t MountedFolder::childCount(Place folder) const {
    if (folder.archive < 0) return outer_[std::size_t(folder.node)].children.size();
    const ArchiveTree* tree = treeOf(folder);
    return tree != nullptr ? tree->node(folder.node).children.size() : 0;
}

MountedFolder::Child MountedFolder::childAt(Place folder, std::size_t index) const {
    if (folder.archive < 0) {
        const int child = outer_[std::size_t(folder.node)].children[index];
        return {outer_[std::size_t(child)].name, outerPlace(child)};
    }
    const ArchiveTree& tree = *treeOf(folder);
    const int child = tree.node(folder.node).children[index];
    return {tree.node(child).name, {folder.archive, child}};
}

std::optional<MountedFolder::Place> MountedFolder::child(Place folder,
                                                         std::string_view name) const {
    if (folder.archive < 0) {
        const std::vector<int>& children = outer_[std::size_t(folder.node)].children;
        const auto found = std::lower_bound(children.begin(), children.end(), name,
                                            [this](int child, std::string_view wanted) {
                                                return outer_[std::size_t(child)].name < wanted;
                                            });
        if (found == children.end() || outer_[std::size_t(*found)].name != name)
            return std::nullopt;
        return outerPlace(*found);
    }
    const ArchiveTree* tree = treeOf(folder);
    if (tree == nullptr) return std::nullopt;
    const auto found = tree->child(folder.node, name);
    if (!found) return std::nullopt;
    return Place{folder.archive, *found};
}

MountedFolder::Place MountedFolder::parentOf(Place place) const {
    if (place.archive < 0) return {-1, outer_[std::size_t(place.node)].parent};
    if (place.node != ArchiveTree::kRoot)
        return {place.archive, treeOf(place)->node(place.node).parent};
    if (outer_.empty()) return place;
    const auto outer = std::find_if(outer_.begin(), outer_.end(), [&](const OuterNode& node) {
        return node.archive == place.archive;
    });
    return {-1, outer->parent};
}

const CatalogueEntry& MountedFolder::entryOf(Place file) const {
    MountedArchive& archive = archiveOf(file);
    return archive.pod().catalogue()[std::size_t(archive.tree().node(file.node).entry)];
}

struct stat MountedFolder::attributesOf(Place place) const {
    struct stat attributes {};
    if (place.archive < 0) {
        const OuterNode& outer = outer_[std::size_t(place.node)];
        attributes = folderAttributes(outer.time, 2 + outer.children.size());
    } else if (const ArchiveTree* tree = treeOf(place)) {
        const TreeNode& node = tree->node(place.node);
        const struct timespec archiveTime = archiveOf(place).file().st_mtim;
        if (node.isFolder()) {
            nlink_t folders = 0;
            for (int child : node.children) folders += tree->node(child).isFolder();
            attributes = folderAttributes(archiveTime, 2 + folders);
        } else {
            const CatalogueEntry& entry = entryOf(place);
            attributes.st_mode = S_IFREG | 0444;
            attributes.st_nlink = 1;
            attributes.st_size = off_t(entry.size);
            attributes.st_blocks = (attributes.st_size + 511) / 512;
            attributes.st_mtim = archiveTime;
            if (entry.hasTimestamp) attributes.st_mtim = {std::int32_t(entry.timestamp), 0};
        }
    } else {
        // An archive not read yet, or that cannot be: how many folders it holds is unknown.
        attributes = folderAttributes(archiveOf(place).file().st_mtim, 1);
    }
    attributes.st_ino = inodeOf(place);
    attributes.st_uid = uid_;
    attributes.st_gid = gid_;
    attributes.st_blksize = 128 * 1024;
    attributes.st_atim = attributes.st_ctim = attributes.st_mtim;
    return attributes;
}

std::uint64_t MountedFolder::bytes() const {
    std::uint64_t total = 0;
    for (const auto& archive : archives_) total += std::uint64_t(archive->file().st_size);
    return total;
}

std::size_t MountedFolder::nodes() const {
    std::size_t total = outer_.size();
    for (const auto& archive : archives_) total += archive->isRead() ? archive->tree().size() : 1;
    return total;
}

}  // namespace kelvane::mount
