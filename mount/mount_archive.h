#pragma once

#include <ostream>
#include <string>

namespace kelvane::mount {

// Mounts what is at `source` read-only on `mountPoint` and serves it: in this process until
// unmounted or interrupted when `foreground`, else from a child process once the mount is in
// place, this one returning at once. A folder shows every archive under it as a folder of the
// archive file's name, each read when first looked into; anything else is read as an archive
// at once, the entries its folder tree leaves out noted on `err`. Returns 0 once served (or
// handed to the child), 1 after saying on `err` why it cannot be mounted there.
int mountArchive(const std::string& source, const std::string& mountPoint, bool foreground,
                 std::ostream& err);

}  // namespace kelvane::mount
