#include "mount/mount_archive.h"

#include <memory>

#include "archive/archive_tree.h"
#include "archive/pod_reader.h"
#include "mount/fuse_filesystem.h"
#include "mount/mount_point.h"
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

int mountArchive(const std::string& archivePath, const std::string& folder, bool foreground,
                 std::ostream& err) {
    std::unique_ptr<TPOD> pod;
    try {
        pod = openAndRead(archivePath);
    } catch (const std::exception& error) {
        err << "kelvane-cli: cannot mount " << archivePath << ": " << englishText(error) << "\n";
        return 1;
    }
    const ArchiveTree tree(pod->catalogue());
    for (const LeftOutEntry& left : tree.leftOut()) {
        const CatalogueEntry& entry = pod->catalogue()[std::size_t(left.entry)];
        err << "kelvane-cli: entry " << left.entry + 1 << " \"" << visibleText(entry.name)
            << "\" left out: " << reasonOf(left, *pod) << "\n";
    }
    if (const auto problem = mountPointProblem(folder)) {
        err << "kelvane-cli: cannot mount " << archivePath << " on " << folder << ": " << *problem
            << "\n";
        return 1;
    }
    return serveArchive(*pod, tree, archivePath, folder, foreground, err);
}

}  // namespace kelvane::mount
