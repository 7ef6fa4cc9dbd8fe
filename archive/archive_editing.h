#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/archive_writer.h"
#include "archive/layouts.h"
#include "platform/folder_walk.h"

namespace kelvane {

class TPOD;

// A file to pack and the stored name it gets (Windows-1252).
struct FileToPack {
    std::string storedName;
    std::string path;  // UTF-8
};

struct FilesToPack {
    std::vector<FileToPack> files;  // sorted by stored name
    std::vector<SkippedFile> skipped;
};

// The layout a new archive at `path` gets: `format` when given ("epd", "pod1", "pod2",
// "pod3"), else by extension (.EPD: EPD, otherwise POD3). Throws WriteRefused for another
// format, or one whose archives the name's extension would not read back as.
const LayoutUnit& layoutForNewArchive(const std::string& path, std::string_view format);

// Throws WriteRefused when archives of the layout cannot be written.
void requireWritable(const LayoutUnit& unit);

// Names compared as the simulators compare them: without regard to case.
bool sameStoredName(std::string_view a, std::string_view b);

// The files `paths` name (UTF-8): a file under its own name, a folder's files under their
// paths relative to that folder, joined by backslashes. `exclude` (the archive being written)
// is left out wherever it appears. Throws WriteRefused for a name the layout cannot hold or
// two files under one name, std::runtime_error for a path that cannot be read.
FilesToPack collectFiles(const LayoutUnit& unit, const std::vector<std::string>& paths,
                         const FileIdentity& exclude);

// Why a file was not packed: "<path>: <reason>", in English or in French.
std::string skippedNote(const SkippedFile& file, bool english);

// Who made a change and when, for the audit records.
struct AuditStamp {
    std::string user;  // Windows-1252
    std::uint32_t time = 0;
};

// The user from the environment (USER, else LOGNAME) and the time now.
AuditStamp currentAuditStamp();

// A new archive of `files`, in their order. `comment` is UTF-8; WriteRefused when it does
// not fit the layout's comment field.
ArchivePlan planNewArchive(const LayoutUnit& unit, const std::vector<FileToPack>& files,
                           const std::string& comment);

// `archive` with `files` added: one of the same name replaces its entry in place, the others
// follow the kept entries. Everything else is kept byte for byte; an audit record is added
// for each change where the layout keeps them.
ArchivePlan planAddition(const TPOD& archive, const std::vector<FileToPack>& files,
                         const AuditStamp& stamp);

// Bytes made in memory and the stored name they get (Windows-1252).
struct BytesToStore {
    std::string storedName;
    std::string bytes;
};

// `archive` with `contents` stored as planAddition stores files, each entry and audit record
// dated `stamp.time`.
ArchivePlan planStoring(const TPOD& archive, const std::vector<BytesToStore>& contents,
                        const AuditStamp& stamp);

// `archive` without the entries `indices`, with an audit record for each.
ArchivePlan planDeletion(const TPOD& archive, const std::vector<int>& indices,
                         const AuditStamp& stamp);

}  // namespace kelvane
