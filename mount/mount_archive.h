#pragma once

#include <ostream>
#include <string>

namespace kelvane::mount {

// Mounts the archive at `archivePath` read-only on `folder` and serves it: in this process
// until unmounted or interrupted when `foreground`, else from a child process once the mount
// is in place, this one returning at once. Notes on `err` the entries the folder tree leaves
// out. Returns 0 once served (or handed to the child), 1 after saying on `err` why the archive
// cannot be mounted there.
int mountArchive(const std::string& archivePath, const std::string& folder, bool foreground,
                 std::ostream& err);

}  // namespace kelvane::mount
