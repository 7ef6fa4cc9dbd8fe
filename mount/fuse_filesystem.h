#pragma once

#include <ostream>
#include <string>

namespace kelvane::mount {

class MountedFolder;

// Mounts `shown` read-only on `mountPoint` through FUSE and serves it: in this process until
// unmounted or interrupted when `foreground`, else from a child process once the mount is in
// place, this one returning at once. `sourcePath`: the archive or folder shown, to name it.
// Returns 0 once served (or handed to the child), 1 after saying on `err` why it cannot be
// mounted.
int serveFolder(MountedFolder& shown, const std::string& sourcePath, const std::string& mountPoint,
                bool foreground, std::ostream& err);

}  // namespace kelvane::mount
