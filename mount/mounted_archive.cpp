#include "mount/mounted_archive.h"

#include <sstream>

#include "platform/bilingual_error.h"
#include "platform/visible_text.h"

namespace kelvane::mount {
namespace {

std::string reasonOf(const LeftOutEntry& left, const TPOD& pod) {
    switch (left.reason) {
        case LeftOutEntry::Reason::UnsafeName:
            return "its name would place it outside the folder";
        case LeftOutEntry::Reason::NoFileName:
            return "its name gives no usable file name";
        case LeftOutEntry::Reason::FolderOfName:
            return "a folder of that name holds other entries";
        case LeftOutEntry::Reason::Replaced:
            return "entry " + std::to_string(left.by + 1) + " \"" +
                   visibleText(pod.catalogue()[std::size_t(left.by)].name) +
                   "\" has the same name and is shown instead";
    }
    return {};
}

}  // namespace

MountedArchive::MountedArchive(std::string path, std::ostream* err)
    : path_(std::move(path)), err_(err) {
    if (::stat(path_.c_str(), &file_) != 0) file_ = {};
}

void MountedArchive::read(std::ostream& notes, const std::string& prefix) {
    if (isRead()) return;
    tried_ = true;
    std::unique_ptr<TPOD> pod = openAndRead(path_);
    auto tree = std::make_unique<ArchiveTree>(pod->catalogue());
    for (const LeftOutEntry& left : tree->leftOut()) {
        const CatalogueEntry& entry = pod->catalogue()[std::size_t(left.entry)];
        notes << prefix << "entry " << left.entry + 1 << " \"" << visibleText(entry.name)
              << "\" left out: " << reasonOf(left, *pod) << "\n";
    }
    damage_ = std::make_unique<DamageLog>(path_, pod->catalogue().size(), err_);
    tree_ = std::move(tree);
    pod_ = std::move(pod);
}

bool MountedArchive::readOnce() {
    if (tried_) return isRead();
    tried_ = true;
    // What took the archive's place since the mount started may be a FIFO, which opening
    // would wait on.
    struct stat now {};
    if (::stat(path_.c_str(), &now) == 0 && !S_ISREG(now.st_mode)) {
        reportUnreadableArchive(path_, "not a regular file", err_);
        return false;
    }
    std::ostringstream discarded;
    try {
        read(err_ != nullptr ? *err_ : discarded, "kelvane-cli: " + path_ + ": ");
    } catch (const std::exception& error) {
        reportUnreadableArchive(path_, englishText(error), err_);
    }
    return isRead();
}

}  // namespace kelvane::mount
