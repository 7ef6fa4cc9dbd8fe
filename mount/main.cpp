// kelvane-mount: the FUSE server behind `kelvane-cli mount`, which runs it in its own place with
// the arguments it has checked. A program of its own, so that only mounting needs libfuse3.
#include <iostream>
#include <string_view>

#include "mount/mount_archive.h"

int main(int argc, char** argv) {
    const bool foreground = argc == 4 && std::string_view(argv[1]) == "-f";
    if (argc != 3 && !foreground) {
        std::cerr << "usage: kelvane-mount [-f] ARCHIVE|FOLDER MOUNTPOINT (as kelvane-cli mount "
                     "runs it)\n";
        return 2;
    }
    return kelvane::mount::mountArchive(argv[argc - 2], argv[argc - 1], foreground, std::cerr);
}
