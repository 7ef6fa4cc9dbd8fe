#pragma once

#include <ostream>
#include <string>

namespace kelvane {
class TPOD;
class ArchiveTree;
}  // namespace kelvane

namespace kelvane::mount {

// Mounts `tree` of the open archive `pod` read-only on `folder` through FUSE and serves it:
// in this process until unmounted or interrupted when `foreground`, else from a child process
// once the mount is in place, this one returning at once. Returns 0 once served (or handed to
// the child), 1 after saying on `err` why the archive cannot be mounted.
int serveArchive(TPOD& pod, const ArchiveTree& tree, const std::string& archivePath,
                 const std::string& folder, bool foreground, std::ostream& err);

}  // namespace kelvane::mount
