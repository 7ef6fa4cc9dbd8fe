#include "archive/archive_diff.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "archive/archive_errors.h"
#include "archive/entry_cursor.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// An archive's entries by upper-cased name, those of one name in directory order. The keys
// lie in one buffer, so that a hundred thousand names cost no allocation each.
struct NamedEntry {
    std::string_view key;
    const CatalogueEntry* entry;
};

struct Names {
    std::string keys;
    std::vector<NamedEntry> entries;
};

void byName(const TPOD& archive, Names& names) {
    std::size_t total = 0;
    for (const CatalogueEntry& entry : archive.catalogue()) total += entry.name.size();
    names.keys.reserve(total);
    for (const CatalogueEntry& entry : archive.catalogue()) {
        for (const char c : entry.name) names.keys += char(cp1252Upper((unsigned char)c));
    }
    names.entries.reserve(archive.catalogue().size());
    std::size_t at = 0;
    for (const CatalogueEntry& entry : archive.catalogue()) {
        names.entries.push_back(
            {std::string_view(names.keys).substr(at, entry.name.size()), &entry});
        at += entry.name.size();
    }
    std::stable_sort(names.entries.begin(), names.entries.end(),
                     [](const NamedEntry& a, const NamedEntry& b) { return a.key < b.key; });
}

// Every layout's entry checksum is CRC-32/MPEG-2 over the entry's data. For a compressed entry
// it may cover the stored or the inflated bytes, so only an entry stored as is can be compared
// by it.
bool checksumCoversData(const TPOD& archive, const CatalogueEntry& entry) {
    return archive.layout().record.checksum.present() && !entry.compressed;
}

// Reads the two entries of equal size side by side, a chunk at a time.
class ContentComparer {
  public:
    ContentComparer(const TPOD& older, const TPOD& newer)
        : older_(older),
          newer_(newer),
          oldBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)),
          newBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

    bool same(const CatalogueEntry& oldEntry, const CatalogueEntry& newEntry) {
        EntryCursor oldCursor(older_.file(), oldEntry);
        EntryCursor newCursor(newer_.file(), newEntry);
        const std::int64_t size = oldEntry.size;
        for (std::int64_t at = 0; at < size;) {
            const std::size_t wanted = std::size_t(std::min<std::int64_t>(kChunk, size - at));
            readWhole(oldCursor, at, oldBuffer_.get(), wanted, false);
            readWhole(newCursor, at, newBuffer_.get(), wanted, true);
            if (std::memcmp(oldBuffer_.get(), newBuffer_.get(), wanted) != 0) return false;
            at += std::int64_t(wanted);
        }
        return true;
    }

  private:
    static void readWhole(EntryCursor& cursor, std::int64_t at, char* buffer, std::size_t count,
                          bool inNewArchive) {
        std::size_t got = 0;
        try {
            got = cursor.read(at, buffer, count);
        } catch (const BilingualError& error) {
            throw UnreadableEntry(error, inNewArchive);
        }
        if (got < count) {
            throw UnreadableEntry(entryCutShort(cursor.entry(), at + std::int64_t(got)),
                                  inNewArchive);
        }
    }

    const TPOD& older_;
    const TPOD& newer_;
    std::unique_ptr<char[]> oldBuffer_;
    std::unique_ptr<char[]> newBuffer_;
};

}  // namespace

ArchiveDiff diffArchives(const TPOD& older, const TPOD& newer) {
    Names oldNames, newNames;
    byName(older, oldNames);
    byName(newer, newNames);
    const std::vector<NamedEntry>& oldEntries = oldNames.entries;
    const std::vector<NamedEntry>& newEntries = newNames.entries;
    // The entries matched by name, in name order; null on the side that lacks one.
    struct Match {
        const CatalogueEntry* oldEntry;
        const CatalogueEntry* newEntry;
        bool same = false;
    };
    std::vector<Match> matches;
    matches.reserve(oldEntries.size() + newEntries.size());  // kept in place: pointed to
    std::vector<Match*> unsettled;  // the pairs only their bytes can tell apart
    auto oldAt = oldEntries.begin();
    auto newAt = newEntries.begin();
    while (oldAt != oldEntries.end() || newAt != newEntries.end()) {
        if (newAt == newEntries.end() || (oldAt != oldEntries.end() && oldAt->key < newAt->key)) {
            matches.push_back({(oldAt++)->entry, nullptr});
        } else if (oldAt == oldEntries.end() || newAt->key < oldAt->key) {
            matches.push_back({nullptr, (newAt++)->entry});
        } else {
            Match& match = matches.emplace_back(Match{(oldAt++)->entry, (newAt++)->entry});
            const CatalogueEntry& oldEntry = *match.oldEntry;
            const CatalogueEntry& newEntry = *match.newEntry;
            if (oldEntry.size != newEntry.size) continue;
            if (checksumCoversData(older, oldEntry) && checksumCoversData(newer, newEntry)) {
                match.same = oldEntry.checksum == newEntry.checksum;
            } else {
                unsettled.push_back(&match);
            }
        }
    }
    const auto byOldOffset = [](const Match* a, const Match* b) {
        return a->oldEntry->offset < b->oldEntry->offset;
    };
    // Read in the old archive's file order, so that reading goes forward through both files
    // when they hold their entries in the same order.
    if (!std::is_sorted(unsettled.begin(), unsettled.end(), byOldOffset)) {
        std::sort(unsettled.begin(), unsettled.end(), byOldOffset);
    }
    ContentComparer contents(older, newer);
    for (Match* match : unsettled) match->same = contents.same(*match->oldEntry, *match->newEntry);

    ArchiveDiff diff;
    for (const Match& match : matches) {
        if (!match.newEntry) {
            diff.differences.push_back(
                {EntryDifference::Kind::Removed, match.oldEntry->name, match.oldEntry->size, 0});
            ++diff.removed;
        } else if (!match.oldEntry) {
            diff.differences.push_back(
                {EntryDifference::Kind::Added, match.newEntry->name, 0, match.newEntry->size});
            ++diff.added;
        } else if (match.same) {
            ++diff.same;
        } else {
            diff.differences.push_back({EntryDifference::Kind::Changed, match.newEntry->name,
                                        match.oldEntry->size, match.newEntry->size});
            ++diff.changed;
        }
    }
    return diff;
}

}  // namespace kelvane
