#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/layouts.h"

namespace kelvane {

class TPOD;

// One entry of an archive being written: a file on disk, bytes made in memory, or an entry of
// the archive being rewritten, whose stored bytes and directory record are kept as they are.
struct EntryToWrite {
    std::string name;        // stored name, Windows-1252; checked to fit the layout
    std::string sourcePath;  // the file to pack (UTF-8), when neither kept nor given in memory
    int keptIndex = -1;      // the entry of the source archive to keep
    std::optional<std::string> bytes;  // the data themselves, stored with `timestamp`
    std::uint32_t timestamp = 0;
};

// Everything an archive is written from.
struct ArchivePlan {
    const LayoutUnit* layout = nullptr;  // a writable one
    // As long as the layout's header: its tag, comment and every field the writer does not
    // own. The writer fills in the counts, the directory offset, the name-table size and
    // every checksum.
    std::string header;
    std::vector<EntryToWrite> entries;
    std::string dependencies;      // dependency records, kept as bytes
    std::string audit;             // audit records: the kept ones, then the new ones
    const TPOD* source = nullptr;  // the archive kept entries come from
};

// Called as entries are written (entries done, entries in all) and between chunks of a long
// one; returning false cancels.
using WriteProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

struct WrittenArchive {
    std::int64_t entries = 0;
    std::int64_t bytes = 0;  // entry bytes
    bool cancelled = false;  // nothing was written
};

// Writes the archive `plan` describes at `path` (UTF-8), whole or not at all: the bytes go to
// a new file beside it, flushed to the disk and renamed over it once complete, so that a power
// cut leaves the old archive or the new one; a replaced file's mode is kept. Entry data follow
// the directory and names, or precede the directory in a layout that records its offset
// (POD3). Throws a BilingualError naming the file for a source that cannot be read, is not a
// regular file or changes size while it is read, for a kept entry the source archive ends
// inside, and when the archive would outgrow the 2 GiB its offsets can reach; DiskFull and the
// output file's own failures as the atomic output reports them. On any failure the old file
// keeps its bytes.
WrittenArchive writeArchive(const ArchivePlan& plan, const std::string& path,
                            const WriteProgress& progress);

}  // namespace kelvane
