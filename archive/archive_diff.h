#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/catalogue_entry.h"
#include "platform/bilingual_error.h"

namespace kelvane {

class TPOD;

// One entry that differs between two archives. `name` is the stored name (Windows-1252
// bytes): the new archive's for an added or changed entry, the old one's for a removed one.
struct EntryDifference {
    enum class Kind { Added, Removed, Changed };
    Kind kind = Kind::Changed;
    std::string name;
    std::uint32_t oldSize = 0;  // 0 for an added entry
    std::uint32_t newSize = 0;  // 0 for a removed entry
};

struct ArchiveDiff {
    // Sorted by upper-cased name; entries of one name in directory order.
    std::vector<EntryDifference> differences;
    int added = 0;
    int removed = 0;
    int changed = 0;
    int same = 0;

    bool identical() const { return differences.empty(); }
};

// An entry of one of the two archives that could not be read whole to compare it.
class UnreadableEntry : public BilingualError {
  public:
    UnreadableEntry(const BilingualError& cause, bool inNewArchive)
        : BilingualError(cause.french(), cause.english()), inNewArchive_(inNewArchive) {}
    bool inNewArchive() const { return inNewArchive_; }

  private:
    bool inNewArchive_;
};

// The entries added, removed and changed from `older` to `newer`, whatever their layouts.
// Names match case-blind (Windows-1252 upper case); a name found several times in one archive
// is paired in directory order. Entries differ by size, else by checksum where both records
// hold one over the same bytes, else by their inflated bytes, which are read side by side.
// Throws UnreadableEntry when an entry cannot be read (cut short, or fails to inflate).
ArchiveDiff diffArchives(const TPOD& older, const TPOD& newer);

}  // namespace kelvane
