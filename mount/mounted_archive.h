#pragma once

#include <sys/stat.h>

#include <memory>
#include <ostream>
#include <string>

#include "archive/archive_tree.h"
#include "archive/pod_reader.h"
#include "mount/damage_log.h"

namespace kelvane::mount {

// One archive a mount serves, read (header, directory, folder tree) at most once, when first
// needed. Its damaged entries are named in a DamageLog of its own.
class MountedArchive {
  public:
    // `path`: absolute when the archive may be read once the mount serves from "/". `err`:
    // where notes go besides the system log (a mount served in the foreground), or null.
    MountedArchive(std::string path, std::ostream* err);

    // Reads the archive unless done. Throws as openAndRead throws; notes on `notes` the entries
    // the tree leaves out, each line after `prefix`.
    void read(std::ostream& notes, const std::string& prefix);
    // Reads the archive unless tried before: false when it cannot be read, said once (on the
    // system log, and on `err`) with the left-out entries.
    bool readOnce();

    bool isRead() const { return pod_ != nullptr; }
    const std::string& path() const { return path_; }
    // The archive file's modification time and size, as when the mount started.
    const struct stat& file() const { return file_; }
    // Once read:
    TPOD& pod() { return *pod_; }
    const ArchiveTree& tree() const { return *tree_; }
    DamageLog& damage() { return *damage_; }

  private:
    std::string path_;
    std::ostream* err_;
    struct stat file_ {};
    bool tried_ = false;
    std::unique_ptr<TPOD> pod_;
    std::unique_ptr<ArchiveTree> tree_;
    std::unique_ptr<DamageLog> damage_;
};

}  // namespace kelvane::mount
