// mount: the archive as a read-only folder tree through FUSE.
#include <string>

#include "archive/archive_tree.h"
#include "cli/archive_access.h"
#include "cli/cli.h"
#include "cli/fuse_filesystem.h"
#include "platform/visible_text.h"

namespace kelvane::cli {
namespace {

int runMount(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace

extern const Command kMountCommand{"mount", "mount [-f] ARCHIVE FOLDER", runMount};

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

int runMount(const Arguments& args, std::ostream&, std::ostream& err) {
    bool foreground = false;
    Arguments positional;
    for (const std::string& arg : args) {
        if (arg == "-f") {
            foreground = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError(kMountCommand, err, "unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        return usageError(kMountCommand, err, "expects an archive and a folder");
    }
    auto pod = openArchive(positional[0], err);
    if (!pod) return kFailure;
    const ArchiveTree tree(pod->catalogue());
    for (const LeftOutEntry& left : tree.leftOut()) {
        const CatalogueEntry& entry = pod->catalogue()[std::size_t(left.entry)];
        err << "kelvane-cli: entry " << left.entry + 1 << " \"" << visibleText(entry.name)
            << "\" left out: " << reasonOf(left, *pod) << "\n";
    }
    return serveArchive(*pod, tree, positional[0], positional[1], foreground, err);
}

}  // namespace
}  // namespace kelvane::cli
