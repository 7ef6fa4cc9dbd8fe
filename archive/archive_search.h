#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/name_pattern.h"
#include "platform/folder_walk.h"

namespace kelvane {

class TPOD;

// Which entries a search wants, by stored name (Windows-1252). An entry matches a pattern
// when its whole name equals the pattern case-blind or matches it as a NamePattern; a pattern
// without a backslash or colon is also tried the same way against the file part of the name,
// so that "PANEL.TGA" or "*.TGA" finds the file in any folder. A number is a name here, not
// an entry number. An entry matches the search when it matches any of its patterns.
class EntryPatterns {
  public:
    explicit EntryPatterns(const std::vector<std::string>& patterns);
    bool matches(std::string_view storedName) const;

  private:
    struct Pattern {
        std::string folded;  // upper-cased, for the exact comparison
        NamePattern pattern;
        bool anyFolder;  // no folder separator: the file part is tried too
        bool fileOnly;   // and no **: the whole name can match only if the file part does
    };
    std::vector<Pattern> patterns_;
};

// One archive the search looked into: either read, with the indices of its matching entries
// in directory order (possibly none), or not read, with the reason. A folder under the
// searched one that cannot be listed comes as an archive not read.
struct SearchedArchive {
    std::string path;               // to open it by
    std::string relative;           // its path from the searched folder (bytes as on disk)
    const TPOD* archive = nullptr;  // header and directory read; null when it could not be
    std::vector<int> matches;
    const std::exception* error = nullptr;  // why it could not be read, else null
    std::size_t archiveCount = 0;           // how many archives the whole search looks into
};

// An archive under a searched folder, or a folder under it that cannot be listed.
struct FoundArchive {
    FoundFile file;
    int unreadableFolder = 0;  // the errno that refused the folder's listing; 0 for an archive
};

// Every .POD and .EPD file (extension compared case-blind) under `folder`, through every
// level, links to folders not followed, and every folder under it that cannot be listed, in
// the byte order of their paths from `folder`. Throws as walkFolder throws when `folder`
// itself cannot be listed.
std::vector<FoundArchive> archivesUnder(const std::string& folder);

// Called once per archive, in order; return false to stop the search.
using SearchedArchiveSink = std::function<bool(const SearchedArchive&)>;

// Searches every archive archivesUnder(folder) finds, in its order. Each archive is opened and
// only its header and directory read. Returns false when `sink` stopped it.
bool searchArchives(const std::string& folder, const EntryPatterns& wanted,
                    const SearchedArchiveSink& sink);

}  // namespace kelvane
